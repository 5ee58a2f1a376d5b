#pragma once

#include <QString>

// The statements of the store, character for character: they are the bank files' whole contract with
// the engine. `\t` is one tab; blanks and back-quotes are as written.
namespace statements {

inline const QString selectAll = QStringLiteral("SELECT tiku.* FROM tiku;");
inline const QString selectByIdPrefix = QStringLiteral("SELECT tiku.* FROM tiku WHERE ID=");
inline const QString insertQuestion =
    QStringLiteral("INSERT INTO `tiku`(`ti_neirong`,`ti_daan`,`daanleixing`,`img`,`jiexi`)\t VALUES "
                   "(ti_neirong,ti_daan,daanleixing,img,jiexi) ");
inline const QString selectNewId =
    QStringLiteral("SELECT ID  FROM tiku WHERE (ID = (SELECT MAX(ID)\t FROM tiku))");
inline const QString updateQuestionPrefix =
    QStringLiteral("update `tiku` set `ti_neirong`=:ti_neirong,  \t\t  `ti_daan`=:ti_daan,\t\t  "
                   "`daanleixing`=:daanleixing,\t\t  `img`=:img,`jiexi`=:jiexi  where ID=");
inline const QString deleteByIdPrefix = QStringLiteral("delete from tiku where ID=");
inline const QString selectSettingPrefix =
    QStringLiteral("SELECT jiegou.str_value FROM jiegou WHERE jiegou.str_name='");
inline const QString selectSettingSuffix = QStringLiteral("';");
inline const QString updateSetting =
    QStringLiteral("update `jiegou` set `str_value`=:str_value  where str_name=:str_name");

} // namespace statements
