// The job list control: seven columns, whole-row single selection, a progress
// bar in the "转换进度" cell, files and folders dropped from the file manager,
// and clicks on its empty part. It only shows rows and reports the user's
// gestures; the window logic decides what they mean.
#pragma once

#include "app/JobList.h"

#include <QStringList>
#include <QTableWidget>

class QMimeData;

class JobListTable : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int ProgressColumn = 5;
    static constexpr int StatusColumn = 6;

    explicit JobListTable(QWidget* parent = nullptr);

    void SetRow(int row, const TJobRow& content);
    // The percentage the row's progress cell shows; -1 when it is empty.
    int RowProgress(int row) const;
    // Drops are refused while files cannot be added (a run, an add in progress).
    void SetDropsAccepted(bool accepted) { dropsAccepted_ = accepted; }
    bool DropsAccepted() const { return dropsAccepted_; }
    // What dropping `data` does: PathsDropped with its local paths, and true,
    // unless drops are refused or it carries none.
    bool DropData(const QMimeData* data);

signals:
    // Local paths dropped onto the list, in the drop's order.
    void PathsDropped(const QStringList& paths);
    // A mouse press on no row.
    void EmptyPartClicked();
    // Delete pressed in the list.
    void RemoveKeyPressed();
    // Enter pressed on the selected row.
    void RowEntered();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool dropsAccepted_ = true;
};
