#include "gui/JobListTable.h"

#include "app/MainWindowTexts.h"
#include "gui/ProgressCellDelegate.h"
#include "gui/UiText.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <algorithm>

namespace {

QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

// A cell's text margins, both sides together.
constexpr int StatusCellMargins = 12;
constexpr int SourceFileColumn = 1;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The time cell holds "12   (秒)" (kept so in the job list file); only the unit is shown translated.
QString TimeText(const std::string& text) {
    constexpr std::string_view Unit = VT_TR("   (秒)");
    if (!text.ends_with(Unit))
        return Text(text);
    return Text(text.substr(0, text.size() - Unit.size())) + UiText(Unit);
}

} // namespace

JobListTable::JobListTable(QWidget* parent) : QTableWidget(0, MainTexts::JobColumns.size(), parent) {
    setObjectName(QStringLiteral("jobList"));
    QStringList captions;
    for (const char* caption : MainTexts::JobColumns)
        captions << UiText(caption);
    setHorizontalHeaderLabels(captions);
    for (int column = 0; column < columnCount(); ++column)
        setColumnWidth(column, MainTexts::JobColumnWidths[static_cast<size_t>(column)]);
    // Longer status words of a translation take their room from the file
    // column, whose paths are elided at the front anyway.
    int widestStatus = 0;
    for (const char* status : {StatusWaiting, StatusConverting, StatusPaused, StatusStopped, StatusStopping,
                               StatusFinished, StatusFailed})
        widestStatus =
            std::max(widestStatus, fontMetrics().horizontalAdvance(UiText(status)) + StatusCellMargins);
    const int missing = widestStatus - MainTexts::JobColumnWidths[StatusColumn];
    if (missing > 0)
        setColumnWidth(SourceFileColumn, columnWidth(SourceFileColumn) - missing);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideLeft); // the end of a path names the file
    setItemDelegateForColumn(ProgressColumn, new ProgressCellDelegate(this));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void JobListTable::SetRow(int row, const TJobRow& content) {
    const QString cells[] = {Text(content.Number),          Text(content.SourceFile),
                             Text(content.SourceFormat),    Text(content.TargetFormat),
                             TimeText(content.CurrentTime), QString(),
                             UiText(content.Status)};
    for (int column = 0; column < columnCount(); ++column) {
        QTableWidgetItem* cell = item(row, column);
        if (cell == nullptr) {
            cell = new QTableWidgetItem;
            setItem(row, column, cell);
        }
        cell->setText(cells[column]);
    }
    item(row, 1)->setToolTip(Text(content.SourceFile));
    item(row, StatusColumn)->setToolTip(Text(content.Problem));
    item(row, ProgressColumn)->setData(ProgressCellDelegate::ProgressRole, content.Progress);
}

int JobListTable::RowProgress(int row) const {
    const QTableWidgetItem* cell = item(row, ProgressColumn);
    return cell ? cell->data(ProgressCellDelegate::ProgressRole).toInt() : -1;
}

void JobListTable::dragEnterEvent(QDragEnterEvent* event) {
    if (dropsAccepted_ && !LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void JobListTable::dragMoveEvent(QDragMoveEvent* event) {
    if (dropsAccepted_ && !LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

bool JobListTable::DropData(const QMimeData* data) {
    const QStringList paths = LocalPaths(data);
    if (!dropsAccepted_ || paths.isEmpty())
        return false;
    emit PathsDropped(paths);
    return true;
}

void JobListTable::dropEvent(QDropEvent* event) {
    if (DropData(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void JobListTable::mousePressEvent(QMouseEvent* event) {
    if (!indexAt(event->position().toPoint()).isValid()) {
        clearSelection();
        setCurrentItem(nullptr);
        emit EmptyPartClicked();
        return;
    }
    QTableWidget::mousePressEvent(event);
}

void JobListTable::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete:
        emit RemoveKeyPressed();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!selectedItems().isEmpty()) {
            emit RowEntered();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableWidget::keyPressEvent(event);
}
