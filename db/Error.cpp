#include "db/Error.h"

#include "platform/SystemErrors.h"

#include <sqlite3.h>

namespace korvel::db {

QString describe(const Error &error)
{
    if (error.systemError)
        return platform::systemErrorText(error.systemError);
    switch (error.code) {
    case 0: return QString();
    case NoSuchFile: return QStringLiteral("文件不存在");
    case NotAFile: return QStringLiteral("不是文件");
    case Held: return QStringLiteral("文件已经打开");
    case Unreadable: return QStringLiteral("无法读取文件");
    case NotADatabase: return QStringLiteral("文件已损坏或不是连环画文件");
    case TooManyPages: return QStringLiteral("页数太多");
    case FileFailed: return QStringLiteral("文件操作失败");
    default: break;
    }
    switch (error.code & 0xff) {
    case SQLITE_FULL: return QStringLiteral("磁盘已满");
    case SQLITE_IOERR: return QStringLiteral("磁盘读写错误");
    case SQLITE_CANTOPEN: return QStringLiteral("无法打开文件");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return QStringLiteral("没有写入权限");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return QStringLiteral("文件已损坏");
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QStringLiteral("文件正在使用");
    case SQLITE_TOOBIG: return QStringLiteral("数据太大");
    case SQLITE_NOMEM: return QStringLiteral("内存不足");
    case SQLITE_INTERRUPT: return QStringLiteral("操作超时");
    default: return QStringLiteral("数据库错误 %1").arg(error.code);
    }
}

} // namespace korvel::db
