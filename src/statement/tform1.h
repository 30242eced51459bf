#pragma once
// The statement window "Zestawienia": the land-use class grid, the threshold, the
// subject search and the statement run, over the register connection that it owns.

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "session.h"

namespace Ui
{
class TForm1;
}
class QButtonGroup;
class Twiz;

namespace zest::ui
{
class ClassGridModel;
}

class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // `owner`: the host's window that owns the library's windows, or none.
    explicit TForm1(QWidget* owner = nullptr);
    ~TForm1() override;

    zest::StatementSession& Session() noexcept { return *session_; }
    // The preview window, or none once it is gone.
    Twiz* wiz() const noexcept;
    // The chosen item of "Typ osoby": 0 persons, 1 institutions, 2 group subjects.
    int TypOsobyIndex() const;

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
    void BtnPobierzOsobyClick();
    void BtnZestawienieClick();

private:
    void FormCreate(QWidget* owner);
    void FormDestroy() noexcept;
    void SetUpClassGrid();
    void SetLoaded(bool loaded);

    std::unique_ptr<Ui::TForm1> ui;
    std::unique_ptr<zest::StatementSession> session_;
    zest::ui::ClassGridModel* classModel_ = nullptr;
    QButtonGroup* typOsoby_ = nullptr;
    QPointer<Twiz> wiz_;
};
