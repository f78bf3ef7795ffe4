#pragma once
// The rows of ResultList: nine GBK texts per row, shown decoded. The engine's
// operations work on the stored rows at once; the view learns about new rows
// and changed cells in batches, so a harvest appending thousands of rows from a
// worker does not make the view lay itself out once per row.
#include <QAbstractTableModel>
#include <QTimer>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace rongfan {

class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Columns = 9;
    using Row = std::array<std::string, Columns>;

    explicit ResultModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // What the engine uses; rows and columns count from 0.
    void RemoveAllRows();
    int AppendRow(std::string_view cell0);
    void SetCell(int row, int column, std::string_view text);
    std::string Cell(int row, int column) const;  // empty outside the list
    int StoredRowCount() const { return static_cast<int>(m_rows.size()); }

    // Tells the view about every pending row and cell now.
    void Flush();
    bool HasPendingChanges() const;

private:
    void schedule();

    std::vector<Row> m_rows;
    int m_shown = 0;  // rows the view knows of
    int m_dirtyFirst = -1;
    int m_dirtyLast = -1;
    QTimer m_flushTimer;
};

}  // namespace rongfan
