#include "app/screens/options/OptionHelpView.h"

ClassSkin OptionHelpView::s_skin;
