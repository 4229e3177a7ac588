#include "appcontext.h"
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
#include <QGuiApplication>
#include <QInputDialog>
#include <QSettings>
#include <QTextStream>
#include <QTranslator>

namespace {
// The options QApplication takes for itself (-platform offscreen, -style
// Fusion, …): the parser runs before it exists and must not call them unknown.
QStringList withoutQtOptions(const QStringList& arguments)
{
    static const QStringList withValue { QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("style"),
        QStringLiteral("stylesheet"), QStringLiteral("session"), QStringLiteral("display"),
        QStringLiteral("geometry") };
    static const QStringList alone { QStringLiteral("reverse"), QStringLiteral("widgetcount"),
        QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync") };
    QStringList kept;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        QString name = argument;
        while (name.startsWith(QLatin1Char('-')))
            name.remove(0, 1);
        const bool dashed
            = i > 0 && argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("--"));
        if (dashed && withValue.contains(name.section(QLatin1Char('='), 0, 0))) {
            if (!name.contains(QLatin1Char('=')))
                ++i;
            continue;
        }
        if (dashed && alone.contains(name))
            continue;
        kept << argument;
    }
    return kept;
}
}

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLineExport::needsPainting(arguments)) {
#ifndef Q_OS_WIN
        // Fonts need a GUI application; the report never shows a window, so
        // it needs no display either.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
        QGuiApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return CommandLineExport::run(app.arguments(), out, err);
    }
    if (CommandLineExport::isRequested(arguments)) {
        // No window and no display: a scheduler runs this.
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return CommandLineExport::run(app.arguments(), out, err);
    }

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
    // Read before any GUI object exists: help and mistakes must reach a
    // terminal on a machine without a display.
    if (!parser.parse(withoutQtOptions(arguments)) || parser.isSet(QStringLiteral("help"))) {
        QCoreApplication terminal(argc, argv);
        if (!parser.errorText().isEmpty()) {
            QTextStream(stderr) << "hxReport: " << parser.errorText() << "\nTry 'hxReport --help'.\n";
            return 2;
        }
        QTextStream(stdout) << parser.helpText();
        return 0;
    }
    QApplication app(argc, argv);

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
        // The database, record index and worker threads outlive the window.
        AppContext context;
        hxReport window(&context);
        window.show();
        result = app.exec();
    }
    qDeleteAll(translators);
    return result;
}
