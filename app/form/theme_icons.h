// The form's icons for the colour scheme in use.
#pragma once

namespace Ui {
class AutoPixoriaForm;
}

// Picks the white icons on a dark colour scheme and the black ones otherwise; both arrows are
// gray while the Back button is disabled at the moment of the call.
void applyThemeIcons(Ui::AutoPixoriaForm& ui);
