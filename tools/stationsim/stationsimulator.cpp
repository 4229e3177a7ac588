#include "stationsimulator.h"

#include "detectdatadb.h"
#include "logrecord.h"
#include "shiftrecord.h"
#include "stationschema.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtMath>

#include <algorithm>

#include <sqlite3.h>

namespace {

const char* const TimeFormat = "yyyy-MM-dd hh:mm:ss";
const char* const NgModel = "NG";
const char* const InsertModelSql
    = "INSERT INTO modelTable(model,diameter,hight,createtime) VALUES(:model,:diameter,:hight,:createtime)";

struct LogTemplate
{
    int logClass;
    const char* message;
};

const LogTemplate LogTemplates[] = {
    { 1, "相机连接超时" },
    { 1, "通道%1光电开关无信号" },
    { 1, "模板匹配失败，已判为NG" },
    { 1, "PLC通讯中断" },
    { 4, "系统启动" },
    { 4, "检测运行中，通道%1就绪" },
    { 4, "系统停止" },
    { 4, "模板库已加载" },
    { 5, "用户admin登录" },
    { 5, "用户admin修改模板参数" },
    { 5, "导出生产报表" },
    { 5, "用户operator登录" },
};

int boundedInt(QRandomGenerator& random, int low, int high) // inclusive
{
    return low + int(random.bounded(quint32(high - low + 1)));
}

double boundedReal(QRandomGenerator& random, double low, double high)
{
    return low + random.generateDouble() * (high - low);
}

QString timeText(const QDateTime& time)
{
    return time.toString(QLatin1String(TimeFormat));
}

} // namespace

StationSimulator::StationSimulator(const Options& options)
    : m_Options(options)
{
}

StationSimulator::~StationSimulator()
{
    close();
}

QString StationSimulator::detectionPath(const QString& appDir)
{
    return QDir(appDir).absolutePath() + QStringLiteral("/./wheelhubwf.db");
}

QString StationSimulator::modelPath(const QString& appDir)
{
    return QDir(appDir).absoluteFilePath(QStringLiteral("pattern/modelTemplate.db"));
}

DetectDataDB* StationSimulator::database()
{
    if (!m_Db) {
        QDir().mkpath(m_Options.appDir);
        m_Db = std::make_unique<DetectDataDB>(detectionPath(m_Options.appDir), QStringLiteral("QSQLITE"));
        m_Db->openDatabase();
        // The station writes through Qt's driver with SQLite's own busy
        // handler and the same timeout; the viewer's quicker handler must not
        // make the simulated station look better than the real one.
        const QVariant handle = m_Db->database().driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
            if (sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData()))
                sqlite3_busy_timeout(connection, StationSchema::BusyTimeoutMs);
        }
    }
    return m_Db.get();
}

void StationSimulator::close()
{
    if (!m_Db)
        return;
    const QString name = m_Db->databasePath();
    m_Db.reset();
    // DataBaseSql leaves its name registered; the next simulator on this
    // directory would replace it with a warning.
    QSqlDatabase::removeDatabase(name);
}

bool StationSimulator::fail(const QString& error)
{
    m_Error = error;
    return false;
}

QByteArray StationSimulator::renderImage(const QString& model, int variant) const
{
    const QSize size = m_Options.imageSize;
    QRandomGenerator random(m_Options.seed ^ qHash(model) ^ quint32(variant * 7919));
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(boundedInt(random, 190, 230), 40, boundedInt(random, 30, 60)));

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size.width() / 2.0, size.height() / 2.0);
    const double radius = std::min(size.width(), size.height()) * 0.42;

    QRadialGradient rim(centre, radius);
    const int shade = boundedInt(random, 150, 210);
    rim.setColorAt(0.0, QColor(shade, shade, shade + 20));
    rim.setColorAt(1.0, QColor(shade / 2, shade / 2, shade / 2 + 10));
    painter.setPen(QPen(QColor(20, 20, 20), std::max(1.0, radius * 0.06)));
    painter.setBrush(rim);
    painter.drawEllipse(centre, radius, radius);

    // Spoke count follows the model, the angle the variant.
    const int spokes = 5 + int(qHash(model) % 4);
    const double offset = boundedReal(random, 0.0, 360.0 / spokes);
    painter.setPen(QPen(QColor(60, 60, 70), std::max(1.0, radius * 0.14), Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < spokes; ++i) {
        const double angle = qDegreesToRadians(offset + i * 360.0 / spokes);
        const QPointF inner = centre + QPointF(std::cos(angle), std::sin(angle)) * radius * 0.25;
        const QPointF outer = centre + QPointF(std::cos(angle), std::sin(angle)) * radius * 0.85;
        painter.drawLine(inner, outer);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(35, 35, 40));
    painter.drawEllipse(centre, radius * 0.2, radius * 0.2);

    // Text needs the font system, which only a GUI application has.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QFont font = painter.font();
        font.setPixelSize(std::max(6, size.height() / 6));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(model == QLatin1String(NgModel) ? QColor(230, 40, 40) : QColor(250, 250, 120));
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignHCenter | Qt::AlignBottom, model);
    }
    painter.end();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, m_Options.format.constData(), 85);
    return bytes;
}

QVector<StationSimulator::ModelProfile> StationSimulator::modelProfiles(QRandomGenerator& random) const
{
    QStringList names = m_Options.models;
    names.append(QLatin1String(NgModel));
    QVector<ModelProfile> profiles;
    for (const QString& name : names) {
        ModelProfile profile;
        profile.name = name;
        profile.diameter = boundedInt(random, 360, 550);
        profile.hight = boundedInt(random, 160, 290);
        for (int variant = 0; variant < std::max(1, m_Options.imagesPerModel); ++variant)
            profile.images.append(renderImage(name, variant));
        profiles.append(profile);
    }
    return profiles;
}

QVariantMap StationSimulator::randomRecord(
    QRandomGenerator& random, const ModelProfile& profile, const QDateTime& time) const
{
    const bool ng = profile.name == QLatin1String(NgModel);
    // A hub that matched no template scores low and has no nominal size.
    const double correlate = ng ? boundedReal(random, 0.2, 0.6) : boundedReal(random, 0.6, 1.0);
    const int diameter = ng ? boundedInt(random, 350, 560) : profile.diameter + boundedInt(random, -2, 2);
    const int hight = ng ? boundedInt(random, 150, 300) : profile.hight + boundedInt(random, -2, 2);
    return { { QStringLiteral("channel"), boundedInt(random, 1, 4) },
        { QStringLiteral("correlate"), qRound(correlate * 1000) / 1000.0 },
        { QStringLiteral("detecttime"), QString::number(boundedReal(random, 0.2, 2.5), 'f', 2) },
        { QStringLiteral("diameter"), diameter }, { QStringLiteral("hight"), hight },
        { QStringLiteral("model"), profile.name },
        { QStringLiteral("pic"), profile.images.at(int(random.bounded(quint32(profile.images.size())))) },
        { QStringLiteral("time"), timeText(time) } };
}

bool StationSimulator::generate()
{
    m_RecordsWritten = 0;
    m_LogsWritten = 0;
    m_Error.clear();
    if (m_Options.appDir.isEmpty() || m_Options.days < 1 || m_Options.records < 0 || m_Options.logs < 0)
        return fail(QStringLiteral("invalid options"));
    if (!QDir().mkpath(m_Options.appDir))
        return fail(QStringLiteral("cannot make %1").arg(m_Options.appDir));

    close();
    const QString detection = detectionPath(m_Options.appDir);
    for (const QString& file : QStringList { detection, detection + QStringLiteral("-journal") })
        if (QFile::exists(file) && !QFile::remove(file))
            return fail(QStringLiteral("cannot replace %1").arg(file));

    QRandomGenerator random(m_Options.seed);
    const QVector<ModelProfile> profiles = modelProfiles(random);
    QVector<ModelProfile> templates = profiles;
    templates.removeLast(); // "NG" is no template
    if (!writeModelTable(templates))
        return false;

    DetectDataDB* db = database();
    if (!db->database().isOpen())
        return fail(db->lastError().text());
    if (!addShift(QStringLiteral("白班"), QTime(8, 0), QTime(20, 0), 0, 0)
        || !addShift(QStringLiteral("夜班"), QTime(20, 0), QTime(8, 0), 0, 1))
        return fail(db->lastError().text());
    return writeRecords(random, profiles) && writeLogs(random);
}

bool StationSimulator::writeRecords(QRandomGenerator& random, const QVector<ModelProfile>& profiles)
{
    DetectDataDB* db = database();
    QSqlDatabase connection = db->database();
    const QDateTime start = m_Options.endTime.addDays(-m_Options.days);
    const double step = double(start.secsTo(m_Options.endTime)) / std::max(1, m_Options.records);
    const int batch = std::max(1, m_Options.batchSize);
    const int models = profiles.size() - 1; // the last is "NG"

    for (int i = 0; i < m_Options.records; ++i) {
        if (i % batch == 0 && !connection.transaction())
            return fail(connection.lastError().text());
        // Evenly spread with jitter inside each step keeps the times ascending.
        const QDateTime time = start.addSecs(qint64((i + random.generateDouble()) * step));
        const bool ng = models == 0 || int(random.bounded(100u)) < m_Options.ngPercent;
        const ModelProfile& profile = profiles.at(ng ? models : int(random.bounded(quint32(models))));
        if (!db->insertDetection(randomRecord(random, profile, time))) {
            connection.rollback();
            return fail(db->lastError().text());
        }
        ++m_RecordsWritten;
        if ((i + 1) % batch == 0 || i + 1 == m_Options.records) {
            if (!connection.commit())
                return fail(connection.lastError().text());
        }
    }
    return true;
}

bool StationSimulator::writeLogs(QRandomGenerator& random)
{
    DetectDataDB* db = database();
    QSqlDatabase connection = db->database();
    const QDateTime start = m_Options.endTime.addDays(-m_Options.days);
    const double step = double(start.secsTo(m_Options.endTime)) / std::max(1, m_Options.logs);
    const int templates = int(sizeof(LogTemplates) / sizeof(LogTemplates[0]));
    if (m_Options.logs > 0 && !connection.transaction())
        return fail(connection.lastError().text());
    for (int i = 0; i < m_Options.logs; ++i) {
        const LogTemplate& entry = LogTemplates[random.bounded(quint32(templates))];
        const QString message = QString::fromUtf8(entry.message)
                                    .replace(QLatin1String("%1"), QString::number(boundedInt(random, 1, 4)));
        const QDateTime time = start.addSecs(qint64((i + random.generateDouble()) * step));
        if (!db->insertLog({ message, timeText(time), QString::number(entry.logClass) })) {
            connection.rollback();
            return fail(db->lastError().text());
        }
        ++m_LogsWritten;
    }
    if (m_Options.logs > 0 && !connection.commit())
        return fail(connection.lastError().text());
    return true;
}

bool StationSimulator::writeModels(const QStringList& models)
{
    QVector<ModelProfile> profiles;
    for (const QString& name : models) {
        ModelProfile profile;
        profile.name = name;
        profiles.append(profile);
    }
    return writeModelTable(profiles);
}

bool StationSimulator::writeModelTable(const QVector<ModelProfile>& profiles)
{
    const QString path = modelPath(m_Options.appDir);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("cannot make the folder of %1").arg(path));
    static QAtomicInteger<quint64> connections;
    const QString name = QStringLiteral("stationsim models %1").arg(++connections);
    bool written = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            written = db.transaction() && query.exec(StationSchema::createModelTableSql())
                && query.exec(QStringLiteral("DELETE FROM modelTable"))
                && query.prepare(QLatin1String(InsertModelSql));
            const QString created = timeText(m_Options.endTime.addDays(-m_Options.days));
            for (int i = 0; written && i < profiles.size(); ++i) {
                const ModelProfile& profile = profiles.at(i);
                query.bindValue(QStringLiteral(":model"), profile.name);
                query.bindValue(QStringLiteral(":diameter"),
                    profile.diameter > 0 ? QVariant(profile.diameter) : QVariant());
                query.bindValue(
                    QStringLiteral(":hight"), profile.hight > 0 ? QVariant(profile.hight) : QVariant());
                query.bindValue(QStringLiteral(":createtime"), created);
                written = query.exec();
            }
            written = written && db.commit();
            if (!written)
                m_Error = query.lastError().isValid() ? query.lastError().text() : db.lastError().text();
        } else {
            m_Error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return written;
}

bool StationSimulator::addDetection(const QString& time, const QString& model, double correlate,
    const QString& detecttime, int diameter, int hight, const QByteArray& pic, int channel)
{
    return database()->insertDetection(
        { { QStringLiteral("channel"), channel }, { QStringLiteral("correlate"), correlate },
            { QStringLiteral("detecttime"), detecttime }, { QStringLiteral("diameter"), diameter },
            { QStringLiteral("hight"), hight }, { QStringLiteral("model"), model },
            { QStringLiteral("pic"), pic }, { QStringLiteral("time"), time } });
}

bool StationSimulator::addLog(const QString& time, const QString& message, int logClass)
{
    return database()->insertLog({ message, time, QString::number(logClass) });
}

bool StationSimulator::addShift(
    const QString& name, const QTime& start, const QTime& end, int startType, int endType)
{
    ShiftRecord shift;
    shift.type = name;
    shift.startTime = start;
    shift.startType = startType;
    shift.endTime = end;
    shift.endType = endType;
    return database()->insertShift(shift);
}

StationSimulator::LiveReport StationSimulator::runLive(double ratePerSecond, int seconds)
{
    LiveReport report;
    m_StopRequested = false;
    if (ratePerSecond <= 0)
        return report;
    DetectDataDB* db = database();
    QSqlDatabase connection = db->database();
    QRandomGenerator random(m_Options.seed);
    const QVector<ModelProfile> profiles = modelProfiles(random);
    const int models = profiles.size() - 1;
    const double intervalMs = 1000.0 / ratePerSecond;

    QElapsedTimer clock;
    clock.start();
    while (!m_StopRequested && (seconds <= 0 || clock.elapsed() < qint64(seconds) * 1000)) {
        const qint64 due = qint64(report.writes * intervalMs);
        if (clock.elapsed() < due) {
            QThread::msleep(ulong(std::min<qint64>(due - clock.elapsed(), 50)));
            continue;
        }
        const bool ng = models == 0 || int(random.bounded(100u)) < m_Options.ngPercent;
        const ModelProfile& profile = profiles.at(ng ? models : int(random.bounded(quint32(models))));
        const QDateTime now = QDateTime::currentDateTime();

        QElapsedTimer wait;
        wait.start();
        const bool begun = connection.transaction();
        bool ok = begun && db->insertDetection(randomRecord(random, profile, now));
        if (ok && report.writes % 10 == 0) {
            const LogTemplate& entry
                = LogTemplates[report.writes / 10 % int(sizeof(LogTemplates) / sizeof(LogTemplates[0]))];
            const QString message
                = QString::fromUtf8(entry.message).replace(QLatin1String("%1"), QStringLiteral("1"));
            ok = db->insertLog({ message, timeText(now), QString::number(entry.logClass) });
        }
        ok = ok && connection.commit();
        if (!ok) {
            if (begun)
                connection.rollback();
            ++report.failedWrites;
        }
        report.longestWaitMs = std::max(report.longestWaitMs, wait.elapsed());
        ++report.writes;
    }
    return report;
}
