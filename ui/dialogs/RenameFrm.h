#pragma once

#include "runner/RenamePlan.h"

#include <QDialog>
#include <array>

class Application;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The series rename ("文件更名"): the files handed over in SelectedFiles (every file of
// DialogFolder when nothing was selected) get new names from a template ("*" the old name, a run
// of "#" a running number from the start number in Text1). LViewMain previews old and new names
// after every change; OK checks the whole plan first and renames nothing when any name conflicts.
//
// Built for one opening from the main window; closing it clears SelectedFiles and DialogFolder and
// enables the main window again.
class RenameFrm : public QDialog {
    Q_OBJECT
public:
    explicit RenameFrm(Application& app, QWidget* parent = nullptr);

    // Rewrites the "新文件名" column of LViewMain from `nameTemplate`, numbering from `start`.
    void RenameSeries(const QString& nameTemplate, qint32 start);

    QString renameTemplate() const { return m_template; }
    qint32 renameStart() const { return m_start; }

public slots:
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void fillPreview();
    void templateChanged(const QString& text);
    void startChanged(const QString& text);
    void rename();
    void unload();

    std::array<QLabel*, 4> Label1{};
    QLabel* Label2;
    QComboBox* Combo1;
    QLabel* Label3;
    QLineEdit* Text1;
    QTreeWidget* LViewMain;
    QPushButton* Cmdok;
    QPushButton* Cmdcancel;

    Application& m_app;
    QList<RenameItem> m_items;
    QString m_template;
    qint32 m_start = 0;
    bool m_unloaded = false;
};
