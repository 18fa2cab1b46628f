#include "platform/SystemErrors.h"

#include <cerrno>

namespace korvel::platform {

QString systemErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT: return QStringLiteral("文件或文件夹不存在");
    case EACCES:
    case EPERM: return QStringLiteral("没有访问权限");
    case ENOSPC: return QStringLiteral("磁盘已满");
    case EDQUOT: return QStringLiteral("超出磁盘配额");
    case EROFS: return QStringLiteral("磁盘是只读的");
    case EEXIST: return QStringLiteral("文件已经存在");
    case EISDIR: return QStringLiteral("这是一个文件夹");
    case ENOTDIR: return QStringLiteral("路径中有一部分不是文件夹");
    case ENAMETOOLONG: return QStringLiteral("文件名或路径太长");
    case ELOOP: return QStringLiteral("符号链接太多");
    case EIO: return QStringLiteral("磁盘读写错误");
    case EBUSY: return QStringLiteral("文件正在使用");
    case ETXTBSY: return QStringLiteral("文件正在运行");
    case EMFILE:
    case ENFILE: return QStringLiteral("打开的文件太多");
    case EFBIG: return QStringLiteral("文件太大");
    case EXDEV: return QStringLiteral("不能跨磁盘移动文件");
    case ENOMEM: return QStringLiteral("内存不足");
    case EINVAL: return QStringLiteral("无效的参数");
    case ENXIO:
    case ENODEV: return QStringLiteral("设备不存在");
    case EAGAIN: return QStringLiteral("资源暂时不可用，请稍后再试");
    case EINTR: return QStringLiteral("操作被中断");
    default: return QStringLiteral("系统错误 %1").arg(errorNumber);
    }
}

} // namespace korvel::platform
