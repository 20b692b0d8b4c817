#include "MessageProvider.h"

#include "platform/FileError.h"

#include <QCoreApplication>
void MessageProvider::information(QWidget* parent, const QString& title, const QString& text) {
    show(parent, Icon::Information, Buttons::Ok, title, text);
}

void MessageProvider::exclamation(QWidget* parent, const QString& title, const QString& text) {
    show(parent, Icon::Exclamation, Buttons::Ok, title, text);
}

bool MessageProvider::askYesNo(QWidget* parent, const QString& title, const QString& text) {
    return show(parent, Icon::Question, Buttons::YesNo, title, text) == Answer::Yes;
}

bool MessageProvider::askOkCancel(QWidget* parent, const QString& title, const QString& text) {
    return show(parent, Icon::Question, Buttons::OkCancel, title, text) == Answer::Ok;
}

void MessageProvider::showError(QWidget* parent, const FileError& error) {
    exclamation(parent, QStringLiteral("Error"), errorText(error));
}

QString MessageProvider::errorText(const FileError& error) {
    // A message box breaks lines at "\n"; a CR would show as a stray character here.
    return QCoreApplication::translate("MessageProvider", "错误: ") + QString::number(error.number) + u'\n' +
           error.description;
}
