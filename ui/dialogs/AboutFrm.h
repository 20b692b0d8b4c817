#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

// The about box: the version, the maker and the people who helped. Shown modally; it closes
// through "关闭[&C]" (also Enter and Escape) or its close box. Controls are private members named
// like their objectName; tests find them by that name.
class AboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit AboutFrm(QWidget* parent = nullptr);

private:
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QTreeWidget* LV1;
    QPushButton* CmdClose;
};
