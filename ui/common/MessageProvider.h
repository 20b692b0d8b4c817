#pragma once

#include <QString>

class QWidget;
struct FileError;

// Every message box and every Yes/No or OK/Cancel question of the windows goes through this
// interface: a real message box in the program (MessageBoxProvider), scripted answers in tests.
// Pass the window the box belongs to as `parent` (it may be null).
class MessageProvider {
public:
    enum class Icon { None, Information, Exclamation, Question };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~MessageProvider() = default;

    // Shows the box and waits for the answer. Closing the box without a button counts as Cancel
    // (OK/Cancel), No (Yes/No) or Ok (OK only).
    virtual Answer show(QWidget* parent, Icon icon, Buttons buttons, const QString& title, const QString& text) = 0;

    // An OK box with the information or the exclamation icon.
    void information(QWidget* parent, const QString& title, const QString& text);
    void exclamation(QWidget* parent, const QString& title, const QString& text);
    // A question box (question icon); true for Yes, or for OK.
    bool askYesNo(QWidget* parent, const QString& title, const QString& text);
    bool askOkCancel(QWidget* parent, const QString& title, const QString& text);

    // The unexpected-error box: exclamation icon, title "Error", text errorText(error).
    void showError(QWidget* parent, const FileError& error);
    // "错误: " + number + line break + description.
    static QString errorText(const FileError& error);
    // The application title of the short boxes: "Quillmar".
    static QString appTitle() { return QStringLiteral("Quillmar"); }
};
