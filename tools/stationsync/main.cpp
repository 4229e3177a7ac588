// Copies one station's records, log records, shifts and models to the plant's
// MariaDB archive, following the station (or once with --once). Exit codes:
// 0 done or stopped, 1 failed, 2 bad settings.

#include "stationsync.h"
#include "stopsignal.h"
#include "syncsettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
std::shared_ptr<std::atomic<bool>> stopFlag = std::make_shared<std::atomic<bool>>(false);

void onSignal()
{
    // Lock-free, so a signal handler may set it; the sync ends between batches.
    stopFlag->store(true);
}
}

int main(int argc, char* argv[])
{
    // The name as given, before the locale's decoding could turn bytes that
    // are not UTF-8 into U+FFFD (two such names would become one station).
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        const QByteArray name = argument == "--station" && i + 1 < argc ? QByteArray(argv[i + 1])
            : argument.startsWith("--station=")                         ? argument.mid(10)
                                                                        : QByteArray();
        if (!name.isEmpty() && QString::fromUtf8(name).toUtf8() != name) {
            QTextStream(stderr) << "stationsync: the station name is not valid UTF-8\n";
            return 2;
        }
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stationsync"));
    QTextStream err(stderr);
    SyncSettings settings;
    QString why;
    bool help = false;
    if (!SyncSettings::parse(QCoreApplication::arguments(), &settings, &why, &help)) {
        err << "stationsync: " << why << "\n(stationsync --help lists the options)\n";
        return 2;
    }
    if (help) {
        QTextStream(stdout) << why;
        return 0;
    }
    StopSignal::install(onSignal);

    // A stop is honoured between batches; a server that stopped answering
    // would hold the sync in a read for up to its read timeout (120 s). Then
    // the program ends here: what the server has not committed, it rolls
    // back, and the station file is only read.
    std::atomic<bool> done(false);
    std::thread watchdog([&done] {
        while (!done.load()) {
            if (stopFlag->load()) {
                for (int i = 0; i < 30 && !done.load(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                if (!done.load()) {
                    std::fputs("stationsync: stopped while waiting for the server; its open batch is "
                               "rolled back there\n",
                        stderr);
                    std::fflush(stderr);
                    std::_Exit(0);
                }
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });

    StationSync sync(settings, stopFlag);
    const QString prefix = QStringLiteral("stationsync[%1]: ").arg(settings.station);
    QObject::connect(&sync, &StationSync::message, [&](const QString& text) {
        err << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) << prefix << text
            << '\n';
        err.flush();
    });
    const int code = sync.run();
    done.store(true);
    watchdog.join();
    StopSignal::finished();
    return code;
}
