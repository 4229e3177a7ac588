#ifndef COMMANDLINEEXPORT_H
#define COMMANDLINEEXPORT_H

#include <QStringList>

class QTextStream;

// "hxReport --export …": the window's three CSV exports and the shift report
// (PDF) without a window,
// for a scheduler. The same statements, keyset chunks, lock rules and bytes
// as the window's exports of the same query (the closing date and time lines
// aside); the file appears only when it is complete. Runs on the calling
// thread with a QCoreApplication and no event loop.
class CommandLineExport
{
public:
    // Exit statuses: Ok; BadInput for anything the caller can mend (options,
    // times, shift, kind, folder, target); Failed when the export itself
    // failed (a statement, a write).
    enum Status
    {
        Ok = 0,
        Failed = 1,
        BadInput = 2
    };

    // arguments as QCoreApplication::arguments(); one line per problem goes
    // to err, the help text to out.
    static int run(const QStringList& arguments, QTextStream& out, QTextStream& err);
    // Whether the arguments ask for the command-line export.
    static bool isRequested(const QStringList& arguments);
    // Whether the export draws (the PDF report): it needs a QGuiApplication
    // for its fonts, on the offscreen platform where there is no display.
    static bool needsPainting(const QStringList& arguments);
};

#endif // COMMANDLINEEXPORT_H
