#include "app/ResultList.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "app/DesktopTexts.h"

namespace rongfan {
namespace {
constexpr int RowHeight = 30;
// The popup opens a little right of and below the pointer.
constexpr QPoint MenuOffset{3, 3};
}  // namespace

ResultList::ResultList(QWidget* parent)
    : QTableView(parent), m_model(new ResultModel(this)), m_menu(new QMenu(this)) {
    setObjectName(QStringLiteral("ResultList"));
    setModel(m_model);

    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setMouseTracking(false);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    // Text stays black on white whatever the desktop theme says.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);

    QHeaderView* rows = verticalHeader();
    rows->setVisible(false);
    rows->setMinimumSectionSize(0);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(RowHeight);

    QHeaderView* columns = horizontalHeader();
    columns->setMinimumSectionSize(0);
    columns->setSectionsClickable(true);
    columns->setSortIndicatorShown(false);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < ResultModel::Columns; ++c)
        columns->resizeSection(c, desktop::ResultColumns()[static_cast<std::size_t>(c)].width);

    m_menu->setObjectName(QStringLiteral("ResultContextMenu"));
    QAction* open = m_menu->addAction(desktop::OpenLinkText());
    connect(open, &QAction::triggered, this, &ResultList::OpenRequested);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &ResultList::showMenu);
}

int ResultList::ColumnWidth(int column) const {
    if (column < 0 || column >= ResultModel::Columns) return 0;
    return horizontalHeader()->sectionSize(column);
}

void ResultList::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= ResultModel::Columns) return;
    horizontalHeader()->resizeSection(column, std::max(0, width));
}

int ResultList::CurrentSelection() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : selected)
        if (first < 0 || index.row() < first) first = index.row();
    return first;
}

void ResultList::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    // Anywhere on the list, like the list's own double-click notification; the
    // selected row decides what opens.
    if (event->button() == Qt::LeftButton) emit OpenRequested();
}

void ResultList::showMenu(const QPoint& position) {
    m_menu->popup(viewport()->mapToGlobal(position) + MenuOffset);
}

}  // namespace rongfan
