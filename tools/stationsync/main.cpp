// Copies one station's records, log records, shifts and models to the plant's
// MariaDB archive, following the station (or once with --once). Exit codes:
// 0 done or stopped, 1 failed, 2 bad settings.

#include "stationsync.h"
#include "stopsignal.h"
#include "syncsettings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

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

    StationSync sync(settings, stopFlag);
    const QString prefix = QStringLiteral("stationsync[%1]: ").arg(settings.station);
    QObject::connect(&sync, &StationSync::message, [&](const QString& text) {
        err << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) << prefix << text
            << '\n';
        err.flush();
    });
    const int status = sync.run();
    StopSignal::finished();
    return status;
}
