#include "core/MainView.h"

TMainView* MainView = nullptr;
