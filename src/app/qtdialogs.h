#pragma once
#include "foundation/services.h"

namespace soinsuu {

// Message boxes on screen, for the real program.
class QtDialogs final : public Dialogs {
public:
    void message(const QString& title, const QString& text, Icon icon) override;
    bool question(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text) override;
};

} // namespace soinsuu
