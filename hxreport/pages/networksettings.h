#ifndef NETWORKSETTINGS_H
#define NETWORKSETTINGS_H

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The plant server's connection settings: a tree of fields (server address
// and port; user, database and the MariaDB option file that holds the
// password) and a save button, written to the group "server" of the
// settings file (ServerSettings, which the viewer connects with). The password is never one of them: a
// settings file is read by anyone at the station PC, so the viewer takes the password from the option file,
// the environment or asks when it connects, and saving removes a password an older file may still hold.
//
// The save button is enabled only while every field is acceptable.
class NetworkSettings : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(NetworkSettings)

public:
    static const int DefaultPort = 3306;

    explicit NetworkSettings(const QString& settingsFile, QWidget* parent = nullptr);
    ~NetworkSettings() override;

    // A host name (letters, digits and hyphens in dot-separated labels), an
    // IPv4 address in dotted decimal or an IPv6 address.
    static bool isValidAddress(const QString& text);
    // 1..65535; an empty text means the default port.
    static bool isValidPort(const QString& text);
    bool isComplete() const;

public slots:
    // False (and the file unchanged) while a field is not acceptable or when
    // the file cannot be written.
    bool save();

signals:
    void saved();

private:
    void load();
    void updateState();
    QLineEdit* addField(QTreeWidgetItem* group, const char* name, const QString& label);

    QString m_SettingsFile;
    QTreeWidget* m_pTree = nullptr;
    QLineEdit* m_pAddress = nullptr;
    QLineEdit* m_pPort = nullptr;
    QLineEdit* m_pUser = nullptr;
    QLineEdit* m_pDatabase = nullptr;
    QLineEdit* m_pOptionFile = nullptr;
    QPushButton* m_pSave = nullptr;
    QLabel* m_pStatus = nullptr;
};

#endif // NETWORKSETTINGS_H
