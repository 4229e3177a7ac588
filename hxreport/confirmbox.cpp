#include "confirmbox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QIcon>

bool ConfirmBox::exec(QMessageBox::Icon icon, const QString& title, const QString& text, bool withCancel)
{
    QMessageBox box(
        icon, title, text, QMessageBox::Ok, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    if (withCancel)
        box.addButton(QMessageBox::Cancel);
    box.setWindowIcon(QIcon(QStringLiteral(":/image/corvel")));
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("hxReport", "确认"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QCoreApplication::translate("hxReport", "取消"));
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok);
}
