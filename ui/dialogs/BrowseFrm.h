#pragma once

#include <QDialog>

class AppState;
class DriveList;
class FolderList;
class MessageProvider;
class QLabel;
class QPushButton;

// The folder picker window behind PickFolder(): a drive list and a folder list; "确定" leaves the
// folder open in Dir1 (with one trailing "/") in AppState::PickedFolder, "取消" leaves "". It has no
// close box, and Escape does not close it: only the two buttons do.
class BrowseFrm : public QDialog {
    Q_OBJECT
public:
    BrowseFrm(AppState& state, MessageProvider& messages, QWidget* parent = nullptr);

    // Sets Drive1 to the folder's drive and opens the folder in Dir1; false when it cannot be read.
    bool openFolder(const QString& folder);

protected:
    void reject() override;

private:
    void driveChanged();

    QLabel* Label1;
    DriveList* Drive1;
    FolderList* Dir1;
    QPushButton* CmdOk;
    QPushButton* Cmdcancel;

    AppState& m_state;
    MessageProvider& m_messages;
};
