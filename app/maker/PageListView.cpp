#include "app/maker/PageListView.h"

#include "maker/BookMaker.h"

#include <QApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace korvel::app {

namespace {

// The picture cell: the small picture stretched over the whole cell, as the
// grid's stretched cell pictures were; until it is made, an empty cell.
class PictureDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (index.column() != maker::BookMaker::PictureColumn) {
            QStyledItemDelegate::paint(p, option, index);
            return;
        }
        if (option.state & QStyle::State_Selected)
            p->fillRect(option.rect, option.palette.highlight());
        const QImage image = index.data(Qt::DecorationRole).value<QImage>();
        const QRect cell = option.rect.adjusted(2, 2, -2, -2);
        if (!image.isNull()) {
            p->setRenderHint(QPainter::SmoothPixmapTransform);
            p->drawImage(cell, image);
        } else {
            p->setPen(option.palette.color(QPalette::PlaceholderText));
            p->drawText(cell, Qt::AlignCenter, QStringLiteral("…"));
        }
    }
};

} // namespace

PageListView::PageListView(QWidget *parent)
    : QTableView(parent)
{
    setObjectName(QStringLiteral("VSFlexGrid1"));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
    setItemDelegate(new PictureDelegate(this));
    // Files from other programs (pictures, folders, comic archives) may be
    // dropped here; the list's own rows still move by its own drag.
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

namespace {

QStringList localFiles(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

} // namespace

void PageListView::dragEnterEvent(QDragEnterEvent *e)
{
    if (localFiles(e->mimeData()).isEmpty()) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void PageListView::dragMoveEvent(QDragMoveEvent *e)
{
    if (localFiles(e->mimeData()).isEmpty()) {
        e->ignore();
        return;
    }
    // The line between rows shows where the files go, as for a move.
    m_filesOver = true;
    m_dropRow = dropRow(e->position().toPoint());
    viewport()->update();
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void PageListView::dragLeaveEvent(QDragLeaveEvent *e)
{
    m_filesOver = false;
    m_dropRow = -1;
    viewport()->update();
    e->accept();
}

void PageListView::dropEvent(QDropEvent *e)
{
    const QStringList paths = localFiles(e->mimeData());
    const int target = dropRow(e->position().toPoint());
    m_filesOver = false;
    m_dropRow = -1;
    viewport()->update();
    if (paths.isEmpty()) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    emit filesDropped(target, paths);
}

QList<int> PageListView::selectedRowNumbers() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex &i : selectionModel()->selectedRows())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int PageListView::firstSelectedRow() const
{
    const QList<int> rows = selectedRowNumbers();
    return rows.isEmpty() ? -1 : rows.first();
}

int PageListView::dropRow(QPoint pos) const
{
    const QModelIndex at = indexAt(pos);
    if (!at.isValid())
        return pos.y() < 0 ? 0 : model()->rowCount();
    const QRect r = visualRect(at);
    return pos.y() < r.center().y() ? at.row() : at.row() + 1;
}

void PageListView::mousePressEvent(QMouseEvent *e)
{
    const QModelIndex at = indexAt(e->position().toPoint());
    // A press on a selected row may start a drag of the whole selection, so
    // it must not narrow the selection yet.
    m_pressedOnSelection = e->button() == Qt::LeftButton && e->modifiers() == Qt::NoModifier && at.isValid()
        && selectionModel()->isRowSelected(at.row(), {});
    m_dragging = false;
    m_pressedRow = at.isValid() ? at.row() : -1;
    m_pressPos = e->position().toPoint();
    if (m_pressedOnSelection) {
        selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
        return;
    }
    QTableView::mousePressEvent(e);
}

void PageListView::mouseMoveEvent(QMouseEvent *e)
{
    if (m_pressedOnSelection && (e->buttons() & Qt::LeftButton)) {
        const QPoint pos = e->position().toPoint();
        if (!m_dragging && (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance())
            m_dragging = true;
        if (m_dragging) {
            // Near the edges the list scrolls, so a row can be taken far.
            const int edge = 12;
            if (pos.y() < edge)
                verticalScrollBar()->setValue(verticalScrollBar()->value() - 20);
            else if (pos.y() > viewport()->height() - edge)
                verticalScrollBar()->setValue(verticalScrollBar()->value() + 20);
            m_dropRow = dropRow(pos);
            viewport()->update();
        }
        return;
    }
    QTableView::mouseMoveEvent(e);
}

void PageListView::mouseReleaseEvent(QMouseEvent *e)
{
    if (m_pressedOnSelection) {
        m_pressedOnSelection = false;
        if (m_dragging) {
            m_dragging = false;
            const int target = dropRow(e->position().toPoint());
            m_dropRow = -1;
            viewport()->update();
            emit rowsDropped(selectedRowNumbers(), target);
        } else if (m_pressedRow >= 0) {
            // A plain click on a selected row selects that row alone.
            const QModelIndex at = model()->index(m_pressedRow, 0);
            selectionModel()->setCurrentIndex(
                at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        emit selectionShown();
        return;
    }
    QTableView::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton)
        emit selectionShown();
}

void PageListView::keyReleaseEvent(QKeyEvent *e)
{
    QTableView::keyReleaseEvent(e);
    emit selectionShown();
}

void PageListView::paintEvent(QPaintEvent *e)
{
    QTableView::paintEvent(e);
    if ((!m_dragging && !m_filesOver) || m_dropRow < 0)
        return;
    // Where the rows will go: a line between two rows.
    int y = 0;
    if (m_dropRow < model()->rowCount())
        y = visualRect(model()->index(m_dropRow, 0)).top();
    else if (model()->rowCount() > 0)
        y = visualRect(model()->index(model()->rowCount() - 1, 0)).bottom() + 1;
    QPainter p(viewport());
    p.setPen(QPen(palette().color(QPalette::Highlight), 3));
    p.drawLine(0, y, viewport()->width(), y);
}

} // namespace korvel::app
