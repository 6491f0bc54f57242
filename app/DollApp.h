#pragma once
#include "framework/App.h"

class CDollApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
