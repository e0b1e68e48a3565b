// Waiting for slow work without freezing a window: the work runs on a worker thread
// while the calling thread keeps taking its messages, except the user's input. A
// window whose thread takes no message for a few seconds is shown "Not Responding",
// and its user may end the program in the middle of the work.
#pragma once

#include <functional>

// Runs work on a worker thread to its end and returns its result. Meanwhile this
// thread dispatches its messages (painting, sent messages, timers) but drops every
// keyboard and mouse message of its windows, client and non-client. When no thread
// can be started, or when called again from a message dispatched here, the work
// runs here. Called from one thread only, the one that owns the windows.
unsigned long AwaitWorkWithoutInput(const std::function<unsigned long()>& work);

// Removes the keyboard and mouse messages queued for this thread's windows, so that
// input typed or clicked while the program could not take it is not taken later.
void DropQueuedInput();
