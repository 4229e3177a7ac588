#include "apppaths.h"
#include "commandlineexport.h"
#include "consoleoutput.h"
#include "hxreport.h"
#include "networksettings.h"
#include "serversettings.h"
#include "translationloader.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QSettings>
#include <QTextStream>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLineExport::isRequested(arguments)) {
        // No window and no display: a scheduler runs this.
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return CommandLineExport::run(app.arguments(), out, err);
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Viewer of the inspection station's records.\n"
                       "CSV exports without a window: hxReport --export --help"));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
        QStringLiteral("Station folder holding wheelhubwf.db and pattern/modelTemplate.db (default: the "
                       "program's folder)."),
        QStringLiteral("folder"));
    parser.addOption(dirOption);
    const QCommandLineOption serverSettingsOption(QStringLiteral("server-settings"),
        QStringLiteral("Edit the plant server's address, port, user and database (saved in hubdetect.ini, "
                       "never the password)."));
    parser.addOption(serverSettingsOption);
    const QCommandLineOption serverOption(QStringLiteral("server"),
        QStringLiteral("Read the plant server named in the [server] group of hubdetect.ini instead of the "
                       "station file (read only)."));
    parser.addOption(serverOption);
    parser.process(app);

    // The settings and the password question come before the window, which
    // loads its own translations: these two need theirs now.
    QVector<QTranslator*> translators;
    if (parser.isSet(serverSettingsOption) || parser.isSet(serverOption)) {
        const QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
        TranslationLoader::load(AppPaths::languageDir(),
            settings.value(QStringLiteral("language"), QStringLiteral("Chinese")).toString(), translators);
    }
    if (parser.isSet(serverSettingsOption)) {
        NetworkSettings widget(AppPaths::settingsFile());
        widget.show();
        const int result = app.exec();
        qDeleteAll(translators);
        return result;
    }

    if (parser.isSet(serverOption)) {
        QString why;
        QString password;
        bool found = false;
        ServerSettings settings;
        if (!ServerSettings::fromIni(AppPaths::settingsFile()).resolve(&settings, &password, &found, &why)) {
            QTextStream(stderr) << "hxReport: " << why << '\n';
            return 2;
        }
        if (!found) {
            bool ok = false;
            password = QInputDialog::getText(nullptr, QStringLiteral("hxReport"),
                QCoreApplication::translate("hxReport", "服务器 %1 上用户 %2 的密码：")
                    .arg(settings.host.isEmpty() ? settings.socket
                            : settings.port > 0
                            ? QStringLiteral("%1:%2").arg(settings.host).arg(settings.port)
                            : settings.host,
                        settings.user),
                QLineEdit::Password, QString(), &ok);
            if (!ok)
                return 2;
        }
        hxReport::usePlantServer(settings, password);
    }

    if (parser.isSet(dirOption)) {
        // A named folder must already hold a station file: the viewer would
        // otherwise create an empty one there.
        const QString dir = QDir(parser.value(dirOption)).absolutePath();
        const QString file = QDir(dir).filePath(QStringLiteral("wheelhubwf.db"));
        if (!QFileInfo(file).isFile()) {
            QTextStream(stderr) << "hxReport: no station file " << QDir::toNativeSeparators(file) << '\n';
            return 2;
        }
        AppPaths::setStationDir(dir);
    }

    ConsoleOutput::closeOwnConsole();
    int result = 0;
    {
        hxReport window;
        window.show();
        result = app.exec();
    }
    qDeleteAll(translators);
    return result;
}
