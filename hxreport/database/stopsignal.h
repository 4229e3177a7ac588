#ifndef STOPSIGNAL_H
#define STOPSIGNAL_H

// How a console tool learns that it should finish its current write and
// stop: SIGINT or SIGTERM on Unix; on Windows, which sends no such signals to
// a console program, Ctrl+C, Ctrl+Break, closing its console window, logging
// off or shutting down. onStop runs in the signal handler (Unix) or on the
// console's handler thread (Windows): it may only set a lock-free flag.
//
// On Windows a console close, log-off or shutdown ends the process as soon as
// the handler returns, so the handler holds it for up to four and a half
// seconds (the system allows about five) until finished() is called, letting
// the tool's last write and its report complete.
class StopSignal
{
public:
    static void install(void (*onStop)());
    // The tool's work ended; a held console close may go on.
    static void finished();
};

#endif // STOPSIGNAL_H
