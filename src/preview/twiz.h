#pragma once
// The result preview window "Wizualizacja wyników analizy". It belongs to a statement
// window, which creates it hidden and destroys it; closing it only hides it.

#include <QWidget>
#include <memory>

namespace Ui
{
class Twiz;
}

class Twiz : public QWidget
{
    Q_OBJECT
public:
    // `owner`: the host's window that owns the library's windows, or none.
    explicit Twiz(QWidget* owner = nullptr);
    ~Twiz() override;

private:
    std::unique_ptr<Ui::Twiz> ui;
};
