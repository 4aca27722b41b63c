#include "app/MainView.h"

TMainView* MainView = nullptr;
