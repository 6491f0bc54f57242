// A plug-in of the hostile set: frames from hostile_frames.py, its
// configuration string from the build.
#include "KelmoraCharacter.h"

CString CRes::AllConfig()
{
    return HOSTILE_CONFIG;
}
