#pragma once
// The statement window "Zestawienia": the land-use class grid, the threshold, the
// subject search and the statement run, over the register connection that it owns.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "disclosures/optionstext.h"
#include "statement/session.h"
#include "statement/subjectlist.h"
#include "widgets/windowowner.h"

namespace Ui
{
class TForm1;
}
class DisclosuresWindow;
class QButtonGroup;
class Twiz;

class QModelIndex;

namespace zest::ui
{
class ClassGridModel;
class SubjectListModel;
} // namespace zest::ui

class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // `owner`: the host's window that owns the library's windows, or none.
    explicit TForm1(zest::ui::WindowOwner owner = {});
    ~TForm1() override;

    zest::StatementSession& Session() noexcept { return *session_; }
    // The preview window, or none once it is gone.
    Twiz* wiz() const noexcept;
    // The chosen item of "Typ osoby": 0 persons, 1 institutions, 2 group subjects.
    int TypOsobyIndex() const;
    // The subject list dsPODMIOTY as the last search left it; the statement run walks it.
    zest::SubjectList& Subjects() noexcept { return subjects_; }

    // Keeps the open connection when it serves these credentials (the role is not
    // compared); otherwise disconnects, sets the new parameters and connects again.
    // Throws when a load after a successful connection fails.
    void OpenRegister(
        const std::string& database, const std::string& user, const std::string& password, const std::string& role);

    // The connect operation: a refused connection is reported here in its own box and
    // not passed on; after a connection the transaction starts and the start-up loads run.
    void ConnectDatabase();

    // Event handlers.
    void SpeedButton1Click();
    void Button1Click();
    void Button2Click();
    // A key that types a character in the class grid: toggles the current row's mark.
    void ozuKeyPress();
    // Every change of the threshold text.
    void sPowUZChange();
    void BtnPobierzOsobyClick();
    void BtnZestawienieClick();
    // "Komu udostępniono dane…" of the subject grid's menu (Ctrl+U): the register of
    // disclosures for the subject at the cursor.
    void KomuUdostepnionoClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(zest::ui::WindowOwner owner);
    void FormDestroy() noexcept;
    void SetUpClassGrid();
    void SetUpSubjectGrid();
    void SetLoaded(bool loaded);
    // Closes the subject list, then the connection: the list's cursor lives on it.
    void Disconnect() noexcept;
    // Before an action that reads the register: a connection that was lost is made again
    // with the credentials the window has, as ConnectDatabase does, with the user's
    // class marks kept and, when `keepList`, the subject list read again up to its
    // current row. False when the connection could not be made (its box was shown).
    bool EnsureConnected(bool keepList);
    void Reconnect(bool keepList);
    // Throws when the window has disconnected since `connection` was read off
    // connection_: a run that did not reach its end on the connection it began on is
    // an error, never shown or recorded.
    void RequireSameConnection(unsigned connection) const;
    void ShowSubjectColumns();
    void MoveGridToSubject(int row);
    void DBGrid1RowChanged(const QModelIndex& current);
    // The list's cursor moved: the subject there is now the chosen one, unless the list
    // is being read again to put the cursor back on the chosen subject.
    void SubjectListMoved(int row);
    // The single-subject run's subject in the run's own reading of the list: the list's
    // cursor put on the chosen subject, or a refusal that names it.
    void PutRunCursorOnChosen(zest::SubjectList& list) const;

    std::unique_ptr<Ui::TForm1> ui;
    std::unique_ptr<zest::StatementSession> session_;
    zest::ui::ClassGridModel* classModel_ = nullptr;
    // After the session: the list's cursor belongs to the session's connection.
    zest::SubjectList subjects_;
    zest::ui::SubjectListModel* subjectModel_ = nullptr;
    // The kind and name range of the list as it was searched, for the register of
    // disclosures.
    zest::disclosures::ListFilters listFilters_;
    QButtonGroup* typOsoby_ = nullptr;
    QPointer<Twiz> wiz_;
    QPointer<DisclosuresWindow> disclosures_; // made at its first use
    bool running_ = false; // a statement run is under way
    // The subject of "tylko dla wskazanej osoby", by its id and kind: the cursor's subject,
    // kept when the list is read again and the subject is no longer in it.
    std::optional<zest::SubjectKey> chosen_;
    std::string chosenName_; // Windows-1250, for the refusal
    bool reopening_ = false; // the list is being read again; the cursor's moves choose nothing
    unsigned connection_ = 0; // counts the disconnects
};
