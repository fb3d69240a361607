// The class layer over Win32 that both programs are written against.
#pragma once

#include "winlib/Controls.h"
#include "winlib/Dialog.h"
#include "winlib/FileFind.h"
#include "winlib/Gdi.h"
#include "winlib/Handles.h"
#include "winlib/Object.h"
#include "winlib/StdioFile.h"
#include "winlib/StringUtil.h"
#include "winlib/SysError.h"
#include "winlib/WinApp.h"
#include "winlib/WinThread.h"
#include "winlib/Wnd.h"
