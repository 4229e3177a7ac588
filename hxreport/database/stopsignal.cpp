#include "stopsignal.h"

#include <QtGlobal>

#include <atomic>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <csignal>
#endif

namespace {
std::atomic<void (*)()> stopHandler { nullptr };
std::atomic<bool> workFinished { false };

#ifdef Q_OS_WIN
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const bool closing
        = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    void (*onStop)() = stopHandler.load();
    if (!onStop || (!closing && event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT))
        return FALSE;
    onStop();
    for (int waited = 0; closing && waited < 4500 && !workFinished.load(); waited += 50)
        ::Sleep(50);
    return TRUE;
}
#else
extern "C" void onSignal(int)
{
    if (void (*onStop)() = stopHandler.load())
        onStop();
}
#endif
}

void StopSignal::install(void (*onStop)())
{
    stopHandler.store(onStop);
#ifdef Q_OS_WIN
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#endif
}

void StopSignal::finished()
{
    workFinished.store(true);
}
