#pragma once

#include <QString>

namespace korvel::platform {

// What a failed system call's error number means, in Chinese, for the
// details of a message box ("磁盘已满"). An unknown number is told as
// "系统错误 N".
QString systemErrorText(int errorNumber);

} // namespace korvel::platform
