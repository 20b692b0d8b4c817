#pragma once

class Application;
class QWidget;

// "撤销上一批[&Z]": restores the batch of this app folder that started last, after one question naming
// its command, its folder and how many files it touched. A file changed since the batch is asked
// about again, as in the backups window.
void undoLastBatch(Application& app, QWidget* parent);
