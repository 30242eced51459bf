// The result preview window.
#include "twiz.h"

#include "statement/windowowner.h"
#include "ui_twiz.h"

Twiz::Twiz(QWidget* owner)
    : ui(std::make_unique<Ui::Twiz>())
{
    ui->setupUi(this);
    zest::ui::MakeOwnedWindow(this, owner);
    move(267, 152);
}

Twiz::~Twiz() = default;
