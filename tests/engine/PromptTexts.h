// The two questions of the copy steps, as the user must see them.
#pragma once

#include "winlib/StringUtil.h"
#include "winlib/SysError.h"

#include <windows.h>

#include <string>

inline std::string MissingFolderText(DWORD error, const std::string& path)
{
    return winlib::FormatSystemMessage(error) + "\n找不到安装文件的路径 " + path +
           "，\n点击“重试”按钮试图重新查找该安装文件路径；\n点击“忽略”按钮将跳过该路径下的操作并继续执行；"
           "\n点击“取消”按钮将终止程序运行。";
}

inline std::string CreateFailedText(DWORD error, const std::string& path)
{
    return winlib::FormatSystemMessage(error) + "\n不能创建文件夹 " + path +
           " ，\n点击“重试”按钮试图重新创建文件夹；\n点击“取消”按钮将终止程序运行。";
}
