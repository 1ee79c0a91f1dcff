#pragma once

#include "form_only.h"
#include "ui_profile_widget.h"

class ProfileWidget : public FormOnly<Ui::ProfileWidget>
{
public:
    using FormOnly::FormOnly;
};
