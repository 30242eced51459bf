#pragma once
// The subject list as the grid DBGrid1 shows it: read-only, rows read from the list's
// cursor in batches as the grid scrolls, the captions and hidden columns of the kind
// that was searched, and the list's current row passed on to the window.

#include <QAbstractTableModel>
#include <QPointer>

#include "statement/subjectlist.h"

class QWidget;

namespace zest::ui
{

class SubjectListModel : public QAbstractTableModel, private zest::SubjectListObserver
{
    Q_OBJECT
public:
    // `window`: where an error of a later fetch is shown.
    SubjectListModel(zest::SubjectList& list, QWidget* window, QObject* parent = nullptr);
    ~SubjectListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    // Reads the next batch. An error cannot go through the view that asked: the list
    // has closed itself, and the error is shown from the event loop.
    void fetchMore(const QModelIndex& parent) override;

    // The kind of the search whose rows the list holds (the radio group's index).
    void SetKind(int kindIndex) noexcept { kind_ = kindIndex; }
    int Kind() const noexcept { return kind_; }
    // Columns that carry ids for the statement run and are not shown.
    bool IsColumnHidden(int column) const;

signals:
    // The list's current row moved (-1: none).
    void CurrentSubjectChanged(int row);

private:
    void ListAboutToBeReset() override;
    void ListReset() override;
    void RowsAboutToBeAppended(int first, int last) override;
    void RowsAppended() override;
    void CurrentRowChanged(int row) override;

    zest::SubjectList& list_;
    QPointer<QWidget> window_;
    int kind_ = 0;
};

} // namespace zest::ui
