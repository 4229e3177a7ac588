#include "networksettings.h"

#include "serversettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

bool isIpv4(const QString& address)
{
    static const QRegularExpression dotted(
        QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch match = dotted.match(address);
    if (!match.hasMatch())
        return false;
    for (int i = 1; i <= 4; ++i) {
        if (match.captured(i).toInt() > 255)
            return false;
    }
    return true;
}

bool isHostName(const QString& name)
{
    static const QRegularExpression label(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    if (name.isEmpty() || name.size() > 253)
        return false;
    const QStringList labels = name.split(QLatin1Char('.'));
    for (const QString& part : labels) {
        if (!label.match(part).hasMatch())
            return false;
    }
    // All digits in the last label is a mistyped IPv4 address, not a name.
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return !digits.match(labels.last()).hasMatch();
}
}

NetworkSettings::NetworkSettings(const QString& settingsFile, QWidget* parent)
    : QWidget(parent)
    , m_SettingsFile(settingsFile)
{
    setObjectName(QStringLiteral("NetworkSettings"));
    setWindowTitle(QCoreApplication::translate("hxReport", "服务器设置"));

    m_pTree = new QTreeWidget(this);
    m_pTree->setObjectName(QStringLiteral("treeWidget_Network"));
    m_pTree->setColumnCount(2);
    m_pTree->setHeaderLabels(
        { QCoreApplication::translate("hxReport", "项目"), QCoreApplication::translate("hxReport", "值") });
    m_pTree->setRootIsDecorated(true);
    m_pTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_pTree->header()->setStretchLastSection(true);

    auto* server = new QTreeWidgetItem(m_pTree, { QCoreApplication::translate("hxReport", "服务器") });
    m_pAddress = addField(server, "lineEdit_ServerAddress", QCoreApplication::translate("hxReport", "地址"));
    m_pPort = addField(server, "lineEdit_ServerPort", QCoreApplication::translate("hxReport", "端口"));
    auto* login = new QTreeWidgetItem(m_pTree, { QCoreApplication::translate("hxReport", "登录") });
    m_pUser = addField(login, "lineEdit_User", QCoreApplication::translate("hxReport", "用户"));
    m_pDatabase = addField(login, "lineEdit_Database", QCoreApplication::translate("hxReport", "数据库"));
    m_pOptionFile
        = addField(login, "lineEdit_OptionFile", QCoreApplication::translate("hxReport", "密码文件"));
    m_pTree->expandAll();

    // Keys outside these sets cannot be typed; isValidAddress() and
    // isValidPort() judge the whole text.
    m_pAddress->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z.:-]{0,253}")), this));
    m_pAddress->setPlaceholderText(QStringLiteral("192.168.1.10"));
    m_pPort->setValidator(new QIntValidator(1, 65535, this));
    m_pPort->setPlaceholderText(QString::number(DefaultPort));
    m_pOptionFile->setPlaceholderText(
        QCoreApplication::translate("hxReport", "可空：另用环境变量 MYSQL_PWD 或连接时输入"));

    m_pSave = new QPushButton(QCoreApplication::translate("hxReport", "保存"), this);
    m_pSave->setObjectName(QStringLiteral("pushButton_SaveNetwork"));
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("label_NetworkStatus"));
    m_pStatus->setWordWrap(true);
    auto* note = new QLabel(QCoreApplication::translate("hxReport", "密码不保存在设置文件中。"), this);
    note->setWordWrap(true);
    // The file is relative to the working folder: say which one is meant.
    auto* where = new QLabel(QCoreApplication::translate("hxReport", "保存到：%1")
                                 .arg(QDir::toNativeSeparators(QFileInfo(settingsFile).absoluteFilePath())),
        this);
    where->setObjectName(QStringLiteral("label_SettingsFile"));
    where->setWordWrap(true);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTree);
    layout->addWidget(note);
    layout->addWidget(where);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pSave, 0, Qt::AlignRight);

    load();
    for (QLineEdit* edit : { m_pAddress, m_pPort, m_pUser, m_pDatabase, m_pOptionFile })
        connect(edit, &QLineEdit::textChanged, this, &NetworkSettings::updateState);
    connect(m_pSave, &QPushButton::clicked, this, &NetworkSettings::save);
    updateState();
    resize(480, 300);
}

NetworkSettings::~NetworkSettings() = default;

QLineEdit* NetworkSettings::addField(QTreeWidgetItem* group, const char* name, const QString& label)
{
    auto* item = new QTreeWidgetItem(group, { label });
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    m_pTree->setItemWidget(item, 1, edit);
    return edit;
}

bool NetworkSettings::isValidAddress(const QString& text)
{
    if (text.contains(QLatin1Char(':'))) {
        // QUrl checks an IPv6 literal without the network module.
        QUrl url;
        url.setHost(text, QUrl::StrictMode);
        return url.isValid() && url.host().contains(QLatin1Char(':'));
    }
    static const QRegularExpression numeric(QStringLiteral("^[0-9.]+$"));
    if (numeric.match(text).hasMatch())
        return isIpv4(text);
    return isHostName(text);
}

bool NetworkSettings::isValidPort(const QString& text)
{
    if (text.isEmpty())
        return true;
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok && port >= 1 && port <= 65535 && text == QString::number(port);
}

bool NetworkSettings::isComplete() const
{
    return isValidAddress(m_pAddress->text()) && isValidPort(m_pPort->text())
        && !m_pUser->text().trimmed().isEmpty() && !m_pDatabase->text().trimmed().isEmpty();
}

void NetworkSettings::load()
{
    const ServerSettings settings = ServerSettings::fromIni(m_SettingsFile);
    m_pAddress->setText(settings.host);
    m_pPort->setText(settings.port > 0 ? QString::number(settings.port) : QString());
    m_pUser->setText(settings.user);
    m_pDatabase->setText(settings.database);
    m_pOptionFile->setText(settings.optionFile);
}

void NetworkSettings::updateState()
{
    QString problem;
    if (!isValidAddress(m_pAddress->text()))
        problem = QCoreApplication::translate("hxReport", "服务器地址无效");
    else if (!isValidPort(m_pPort->text()))
        problem = QCoreApplication::translate("hxReport", "端口应为1到65535");
    else if (m_pUser->text().trimmed().isEmpty() || m_pDatabase->text().trimmed().isEmpty())
        problem = QCoreApplication::translate("hxReport", "请填写用户和数据库");
    m_pSave->setEnabled(problem.isEmpty());
    m_pStatus->setText(problem);
}

bool NetworkSettings::save()
{
    if (!isComplete())
        return false;
    // A socket written by hand stays; everything else is what the fields say.
    ServerSettings settings = ServerSettings::fromIni(m_SettingsFile);
    settings.host = m_pAddress->text();
    settings.port = m_pPort->text().toInt();
    settings.user = m_pUser->text().trimmed();
    settings.database = m_pDatabase->text().trimmed();
    settings.optionFile = m_pOptionFile->text().trimmed();
    if (!settings.writeTo(m_SettingsFile)) {
        m_pStatus->setText(QCoreApplication::translate("hxReport", "无法保存设置"));
        return false;
    }
    m_pStatus->setText(QCoreApplication::translate("hxReport", "已保存"));
    emit saved();
    return true;
}
