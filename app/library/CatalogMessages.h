#pragma once

#include "catalog/CatalogStore.h"
#include "platform/Services.h"

namespace korvel::app {

// The catalog's message texts, shared by the pane and its dialogs.
namespace text {
inline const QString notice = QStringLiteral("提示");
inline const QString error = QStringLiteral("错误");
inline const QString catalogMissing = QStringLiteral("数据库文件丢失。");
inline const QString categoryReadFailed = QStringLiteral("连环画分类读取错误。");
inline const QString recordsReadFailed = QStringLiteral("连环画资料读取错误。");
inline const QString writeFailed = QStringLiteral("数据库写入错误，没有作任何更改。");
inline const QString categoryGone = QStringLiteral("所选分类已不存在，请重新选择。");
inline const QString movesRoot = QStringLiteral("无法移动根分类。");
inline const QString movesUnderItself = QStringLiteral("不能把分类移到它自己或它的子分类下面。");
inline const QString bookOpenFailed = QStringLiteral("文件损坏或不是连环画文件或已经打开，请重新选择。");
inline const QString noRowToEdit = QStringLiteral("请选择要修改的数据。");
} // namespace text

// Tells the user how a catalog action ended, when it did not simply end
// well; readFailed is the text for a failed read in this action. Returns
// whether the action was done.
inline bool reportOutcome(platform::MessageService &messages, catalog::Outcome outcome,
                          const QString &readFailed = text::categoryReadFailed)
{
    using catalog::Outcome;
    switch (outcome) {
    case Outcome::Done:
        return true;
    case Outcome::CatalogMissing:
        messages.information(text::error, text::catalogMissing);
        break;
    case Outcome::ReadFailed:
        messages.information(text::error, readFailed);
        break;
    case Outcome::WriteFailed:
        messages.information(text::error, text::writeFailed);
        break;
    case Outcome::NoSuchCategory:
        messages.information(text::notice, text::categoryGone);
        break;
    case Outcome::IsRoot:
        messages.information(text::notice, text::movesRoot);
        break;
    case Outcome::MovesUnderItself:
        messages.information(text::notice, text::movesUnderItself);
        break;
    case Outcome::Duplicate:
        messages.information(text::notice, QStringLiteral("你选择的连环画已经在系统中了。"));
        break;
    }
    return false;
}

} // namespace korvel::app
