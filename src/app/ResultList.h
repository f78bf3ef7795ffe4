#pragma once
// The report-style list of MainWindow: grid lines, whole-row single selection,
// 30-pixel rows, fixed column alignments, clickable headers that sort nothing,
// no editing. A double-click anywhere on it and the popup item "打开链接" ask
// for the selected row's address to be opened.
#include <QMenu>
#include <QTableView>

#include "app/ResultModel.h"

namespace rongfan {

class ResultList : public QTableView {
    Q_OBJECT
public:
    explicit ResultList(QWidget* parent = nullptr);

    ResultModel* Model() const { return m_model; }
    QMenu* ContextMenu() const { return m_menu; }

    int ColumnWidth(int column) const;  // 0 for a column that does not exist
    void SetColumnWidth(int column, int width);
    // The first selected row, -1 when none.
    int CurrentSelection() const;

signals:
    // Double-click on the list, or "打开链接" chosen.
    void OpenRequested();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void showMenu(const QPoint& position);

    ResultModel* m_model;
    QMenu* m_menu;
};

}  // namespace rongfan
