#pragma once

// Helpers of the window tests: finding the dialog the main window opened, selecting in the main
// window's list, leaving a box as the keyboard focus would, answering the folder picker, the rows
// of the progress window, and pictures of the dialogs.

#include "ChildWidget.h"
#include "ui/common/InProgress.h"
#include "ui/dialogs/BrowseFrm.h"
#include "ui/main/FileListView.h"
#include "ui/main/MainFrm.h"

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

namespace DialogTest {

// The visible top-level window of type W named `name` (the dialog a command just opened).
template <class W> W* shownWindow(const QString& name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name && widget->isVisible()) {
            if (auto* window = qobject_cast<W*>(widget))
                return window;
        }
    }
    return nullptr;
}

// Deletes the task dialogs a test left open: they belong to that test's application.
inline void deleteLeftDialogs() {
    const QStringList names{QStringLiteral("MergeFrm"), QStringLiteral("RenameFrm"), QStringLiteral("Replace"),
                            QStringLiteral("FrmOption"), QStringLiteral("EpubFrm")};
    QList<QPointer<QWidget>> left;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (names.contains(widget->objectName()))
            left.append(widget);
    }
    // Deleting one window deletes its popups too, which are top-level widgets of their own.
    for (const QPointer<QWidget>& widget : left)
        delete widget.data();
}

// Lets windows closed with WA_DeleteOnClose go.
inline void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// The focus moving on from `box` to another control (Tab).
inline void leave(QWidget* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(box, &out);
}

// Selects exactly the entries `names` of the main window's file list.
inline void selectInMain(MainFrm* main, const QStringList& names) {
    main->selectNames(names);
}

// Once the folder picker is up as the modal window, hands it to `answer` (which clicks OK or
// cancel); call before the command that opens the picker.
inline void answerPickerLater(std::function<void(BrowseFrm*)> answer) {
    QTimer::singleShot(0, [answer] {
        if (auto* picker = qobject_cast<BrowseFrm*>(QApplication::activeModalWidget()))
            answer(picker);
    });
}

enum class Marks { Without, With };

// The progress window's rows as "text|status|reason" (the first `columns` columns), with
// Marks::With followed by "|mark" when the row has an icon or "|" when it has none.
inline QStringList progressRows(const InProgress& window, int columns = 3, Marks marks = Marks::Without) {
    QStringList rows;
    const QTreeWidget* results = UiTest::child<QTreeWidget>(&window, "LVResults");
    for (int i = 0; i < results->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = results->topLevelItem(i);
        // The window's own summing-up row is no row of the batch (ProgressWindowTest checks it).
        if (item->data(0, InProgress::OutcomeRole).toInt() == InProgress::SummingUp)
            continue;
        QStringList texts;
        for (int column = 0; column < columns; ++column)
            texts.append(item->text(column));
        if (marks == Marks::With)
            texts.append(item->icon(0).isNull() ? QString() : QStringLiteral("mark"));
        rows.append(texts.join(u'|'));
    }
    return rows;
}

inline QStringList listTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// Clicks the entry `text` of a list box as the mouse would.
inline bool clickEntry(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    list->scrollToItem(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(found.first()).center());
    return true;
}

// With QM_DIALOG_SHOTS naming a folder, saves a picture of `window` there as <name>.png, for
// checking the look of the dialogs on the offscreen platform.
inline void saveShot(QWidget* window, const QString& name) {
    const QString folder = qEnvironmentVariable("QM_DIALOG_SHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace DialogTest
