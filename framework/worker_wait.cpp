#include "worker_wait.h"

#include <windows.h>

#include <process.h>

#include <exception>

namespace {

// What wakes the wait: every kind of message, as Windows 95 knew them. mingw-w64's
// QS_ALLINPUT also holds QS_RAWINPUT (and, in newer headers, touch and pointer
// bits) whatever Windows is targeted, and Windows before XP may refuse a mask with
// bits it does not know: every wait would then fail and the window freeze.
constexpr DWORD kWakeMask =
    QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert((kWakeMask & QS_RAWINPUT) == 0, "the wake mask holds a bit that Windows before XP may refuse");

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
    const std::function<unsigned long()>* work;
    unsigned long result;
    std::exception_ptr failure;  // what the work threw, rethrown on the waiting thread
};

// One worker thread for the whole process, started on first use and waiting for
// the next job in between: under Wine, starting a thread for every file operation
// doubled the time of an update run. It ends with the process.
class Worker {
public:
    Worker()
        : jobReady_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          jobDone_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          thread_(jobReady_ && jobDone_ ? Start(this) : nullptr) {}

    bool running() const { return thread_ != nullptr; }
    // Hands job to the worker; jobDone() is signalled when it has been run.
    void Hand(WorkerJob& job) {
        job_ = &job;
        SetEvent(jobReady_);
    }
    HANDLE jobDone() const { return jobDone_; }

private:
    // Started with the C library's _beginthreadex and not CreateThread: the work
    // opens and reads files with fopen and fread, and the library prepares its
    // per-thread data (errno, stream buffers) for threads it starts itself on every
    // Windows, Windows 95/98/ME included.
    static HANDLE Start(Worker* worker) {
        return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Worker::Serve, worker, 0, nullptr));
    }
    static unsigned __stdcall Serve(void* parameter) {
        Worker& worker = *static_cast<Worker*>(parameter);
        while (WaitForSingleObject(worker.jobReady_, INFINITE) == WAIT_OBJECT_0) {
            WorkerJob& job = *worker.job_;
            try {
                job.result = (*job.work)();
            } catch (...) {
                job.failure = std::current_exception();
            }
            SetEvent(worker.jobDone_);
        }
        return 0;
    }

    HANDLE jobReady_;
    HANDLE jobDone_;
    WorkerJob* job_ = nullptr;
    HANDLE thread_;
};

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
    static Worker worker;
    // A wait inside a wait (work awaited by a message dispatched here) finds the
    // worker busy: that work runs here.
    static bool awaiting = false;
    if (!worker.running() || awaiting) return work();
    awaiting = true;
    WorkerJob job{&work, 0, nullptr};
    worker.Hand(job);
    // The queue is emptied before every wait: a wait only wakes for messages that
    // arrive after the thread last looked at its queue, and those queued before the
    // work began would otherwise be handled once it is over. One more pass after the
    // work has ended takes what came during the last wake. A failed wait ends the
    // dispatching; the worker is still waited for, since it writes into the job
    // held here.
    const HANDLE done = worker.jobDone();
    QuitRequest quit;
    DWORD woke;
    do {
        DispatchAllButInput(quit);
        woke = MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, kWakeMask);
    } while (woke == WAIT_OBJECT_0 + 1);
    DispatchAllButInput(quit);
    if (woke != WAIT_OBJECT_0) WaitForSingleObject(done, INFINITE);
    awaiting = false;
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
