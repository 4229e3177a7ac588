#ifndef CONSOLEOUTPUT_H
#define CONSOLEOUTPUT_H

// The Windows program is a console program, so that the command-line export
// writes to the console or the task that started it and is waited for, with
// its exit status, like any console tool. Started from the Start menu or a
// double click, Windows makes a console for it alone: closeOwnConsole() closes
// that one before the window opens, and leaves a console shared with the
// process that started it (a command prompt) alone. Nothing happens elsewhere.
class ConsoleOutput
{
public:
    static void closeOwnConsole();
};

#endif // CONSOLEOUTPUT_H
