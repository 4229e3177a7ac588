#include "modaldriver.h"

#include "guitestutil.h"

#include "qtimedlg.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

ModalDriver::ModalDriver(Clock clock, QObject* parent)
    : QObject(parent)
    , m_Clock(std::move(clock))
{
    qApp->installEventFilter(this);
}

ModalDriver::~ModalDriver()
{
    qApp->removeEventFilter(this);
}

void ModalDriver::expectPicker(const QDateTime& value)
{
    m_Pending.push_back([value](QWidget* widget) {
        auto* dialog = qobject_cast<QTimeDlg*>(widget);
        if (!dialog)
            return false;
        QTimer::singleShot(0, dialog, [dialog, value] { GuiTest::fillPicker(dialog, value); });
        return true;
    });
}

void ModalDriver::expectSaveDialog(const QString& path, double* acceptedAt)
{
    m_Pending.push_back([this, path, acceptedAt](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog)
            return false;
        QTimer::singleShot(0, dialog, [this, dialog, path, acceptedAt] {
            GuiTest::fillSaveDialog(dialog, path);
            *acceptedAt = m_Clock();
            // accept() is protected in QFileDialog; invoking it runs the dialog's own checks.
            QMetaObject::invokeMethod(dialog, "accept");
        });
        return true;
    });
}

void ModalDriver::expectMessageBox(QString* text, double* shownAt)
{
    m_Pending.push_back([this, text, shownAt](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->button(QMessageBox::Ok))
            return false;
        *shownAt = m_Clock();
        *text = box->text();
        QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Ok)->click(); });
        return true;
    });
}

bool ModalDriver::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && !m_Pending.empty() && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && m_Pending.front()(widget))
            m_Pending.pop_front();
    }
    return QObject::eventFilter(watched, event);
}
