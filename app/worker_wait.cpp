#include "worker_wait.h"

#include <windows.h>

#include <process.h>

#include <exception>

namespace {

struct MessageRange {
    UINT first;
    UINT last;
};

// The user's input as it reaches a window: keys and characters, mouse messages over
// the client area and over the frame, caption and close box.
constexpr MessageRange kInputRanges[] = {
    {WM_KEYFIRST, WM_KEYLAST},
    {WM_MOUSEFIRST, WM_MOUSELAST},
    {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
};

bool IsInput(UINT message) {
    for (const MessageRange& range : kInputRanges) {
        if (message >= range.first && message <= range.last) return true;
    }
    return false;
}

struct WorkerJob {
    const std::function<unsigned long()>& work;
    unsigned long result;
    std::exception_ptr failure;  // what the work threw, rethrown on the waiting thread
};

// Started with the C library's _beginthreadex and not CreateThread: the work opens
// and reads files with fopen and fread, and the library prepares its per-thread
// data (errno, stream buffers) for threads it starts itself on every Windows,
// Windows 95/98/ME included.
unsigned __stdcall RunWorkerJob(void* parameter) {
    WorkerJob& job = *static_cast<WorkerJob*>(parameter);
    try {
        job.result = job.work();
    } catch (...) {
        job.failure = std::current_exception();
    }
    return 0;
}

// A WM_QUIT taken from the queue during the wait, handed on afterwards to the loop
// that owns it.
struct QuitRequest {
    bool came = false;
    WPARAM exitCode = 0;
};

// Dispatches everything queued for this thread except input, which is dropped.
// Sent messages are answered inside PeekMessage.
void DispatchAllButInput(QuitRequest& quit) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit.came = true;
            quit.exitCode = message.wParam;
        } else if (!IsInput(message.message)) {
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

unsigned long AwaitWorkWithoutInput(const std::function<unsigned long()>& work) {
    WorkerJob job{work, 0, nullptr};
    const auto worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunWorkerJob, &job, 0, nullptr));
    if (worker == nullptr) return work();
    // The queue is emptied before every wait: a wait only wakes for messages that
    // arrive after the thread last looked at its queue, and those queued before the
    // work began would otherwise be handled once it is over. One more pass after the
    // work has ended takes what came during the last wake.
    // A failed wait ends the dispatching; the worker is still waited for, since it
    // writes its result into the job held here.
    QuitRequest quit;
    bool messagesCame = true;
    while (messagesCame) {
        DispatchAllButInput(quit);
        messagesCame = MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1;
    }
    DispatchAllButInput(quit);
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    if (quit.came) PostQuitMessage(static_cast<int>(quit.exitCode));
    if (job.failure) std::rethrow_exception(job.failure);
    return job.result;
}

void DropQueuedInput() {
    MSG message;
    for (const MessageRange& range : kInputRanges) {
        while (PeekMessageA(&message, nullptr, range.first, range.last, PM_REMOVE)) {
        }
    }
}
