#include "MessageBoxProvider.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

MessageProvider::Answer MessageBoxProvider::show(QWidget* parent, Icon icon, Buttons buttons, const QString& title,
                                                 const QString& text) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }

    QAbstractButton* ok = nullptr;
    QAbstractButton* cancel = nullptr;
    QAbstractButton* yes = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        ok = box.addButton(QCoreApplication::translate("MessageBoxProvider", "确定"), QMessageBox::AcceptRole);
        box.setEscapeButton(ok);
        break;
    case Buttons::OkCancel:
        ok = box.addButton(QCoreApplication::translate("MessageBoxProvider", "确定"), QMessageBox::AcceptRole);
        cancel = box.addButton(QCoreApplication::translate("MessageBoxProvider", "取消"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
        break;
    case Buttons::YesNo:
        yes = box.addButton(QCoreApplication::translate("MessageBoxProvider", "是(&Y)"), QMessageBox::YesRole);
        cancel = box.addButton(QCoreApplication::translate("MessageBoxProvider", "否(&N)"), QMessageBox::NoRole);
        box.setEscapeButton(cancel);
        break;
    }
    box.setDefaultButton(qobject_cast<QPushButton*>(ok ? ok : yes));
    box.exec();

    QAbstractButton* clicked = box.clickedButton();
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return clicked == ok ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
        break;
    }
    return clicked == yes ? Answer::Yes : Answer::No;
}
