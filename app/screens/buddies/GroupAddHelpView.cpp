#include "app/screens/buddies/GroupAddHelpView.h"

ClassSkin GroupAddHelpView::s_skin;
