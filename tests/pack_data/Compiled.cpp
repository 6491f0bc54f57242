#include "framework/CString.h"

// The example character written by hand as a compiled plug-in, the way
// characters were made before kelmora-pack: the packed one must equal it.
class __declspec(dllexport) CRes {
public:
    CString AllConfig();
    CString GetSerchMessage();
};

CString CRes::AllConfig()
{
    return CString("企鹅_100_2_2_2_2_2_4_0_180_180_160_160_400_100_");
}

CString CRes::GetSerchMessage()
{
    return CString("企鹅帮你搜什么？");
}
