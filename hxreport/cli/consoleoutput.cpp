#include "consoleoutput.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

void ConsoleOutput::closeOwnConsole()
{
#ifdef Q_OS_WIN
    DWORD processes[2];
    if (::GetConsoleProcessList(processes, 2) == 1)
        ::FreeConsole();
#endif
}
