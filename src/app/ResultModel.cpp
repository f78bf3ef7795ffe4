#include "app/ResultModel.h"

#include "app/DesktopTexts.h"
#include "app/QtGbk.h"

namespace rongfan {
namespace {
// Often enough to look live, rarely enough that a fast harvest costs the view
// one layout per batch instead of one per row.
constexpr int FlushIntervalMs = 50;
}  // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(FlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &ResultModel::Flush);
}

int ResultModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_shown; }

int ResultModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Columns; }

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shown || index.column() >= Columns) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return FromGbk(m_rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())]);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(desktop::ResultColumns()[static_cast<std::size_t>(index.column())].alignment |
                                   Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= Columns) return {};
    const auto& column = desktop::ResultColumns()[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromUtf16(column.title);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ResultModel::RemoveAllRows() {
    m_flushTimer.stop();
    beginResetModel();
    m_rows.clear();
    m_shown = 0;
    m_dirtyFirst = m_dirtyLast = -1;
    endResetModel();
}

int ResultModel::AppendRow(std::string_view cell0) {
    Row row;
    row[0] = cell0;
    m_rows.push_back(std::move(row));
    schedule();
    return static_cast<int>(m_rows.size()) - 1;
}

void ResultModel::SetCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= StoredRowCount() || column < 0 || column >= Columns) return;
    m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
    // Rows the view has not been told about yet show their cells when they arrive.
    if (row < m_shown) {
        m_dirtyFirst = m_dirtyFirst < 0 ? row : std::min(m_dirtyFirst, row);
        m_dirtyLast = std::max(m_dirtyLast, row);
        schedule();
    }
}

std::string ResultModel::Cell(int row, int column) const {
    if (row < 0 || row >= StoredRowCount() || column < 0 || column >= Columns) return {};
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

bool ResultModel::HasPendingChanges() const { return m_shown < StoredRowCount() || m_dirtyFirst >= 0; }

void ResultModel::Flush() {
    m_flushTimer.stop();
    if (m_dirtyFirst >= 0) {
        const int first = m_dirtyFirst;
        const int last = m_dirtyLast;
        m_dirtyFirst = m_dirtyLast = -1;
        emit dataChanged(index(first, 0), index(last, Columns - 1), {Qt::DisplayRole, Qt::ToolTipRole});
    }
    if (m_shown < StoredRowCount()) {
        beginInsertRows({}, m_shown, StoredRowCount() - 1);
        m_shown = StoredRowCount();
        endInsertRows();
    }
}

void ResultModel::schedule() {
    if (!m_flushTimer.isActive()) m_flushTimer.start();
}

}  // namespace rongfan
