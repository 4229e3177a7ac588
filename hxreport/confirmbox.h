#ifndef CONFIRMBOX_H
#define CONFIRMBOX_H

#include <QMessageBox>
#include <QString>

// The one message box of the viewer's pages: fixed size, the window's icon,
// "确认" and optionally "取消" in the window's language.
class ConfirmBox
{
public:
    // Runs the box modally; true exactly when "确认" was pressed.
    static bool exec(QMessageBox::Icon icon, const QString& title, const QString& text, bool withCancel);
};

#endif // CONFIRMBOX_H
