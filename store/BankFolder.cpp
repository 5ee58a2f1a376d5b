#include "store/BankFolder.h"

#include "platform/Error.h"
#include "platform/Platform.h"
#include "store/m_sql.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace bankfolder {

namespace {

// Absolute here ("/pics"), or where a bank made on Windows came from: "\pics", "\\server\pics",
// "C:\pics" and the drive-relative "C:pics".
bool isAbsoluteAnywhere(const QString& folder) {
    if (folder.startsWith(u'/') || folder.startsWith(u'\\'))
        return true;
    return folder.size() >= 2 && folder.at(1) == u':' && folder.at(0).isLetter() &&
           folder.at(0).unicode() < 128;
}

// A ".." between separators of either kind: the folder climbs out of wherever it is taken against.
bool climbsOut(const QString& folder) {
    static const QRegularExpression separators(u"[/\\\\]"_s);
    return folder.split(separators).contains(u".."_s);
}

bool isWithin(const QString& root, const QString& canonical) {
    if (canonical == root)
        return true;
    return canonical.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

// Every part of `folder` that exists on disk, resolved through its symbolic links, lies within the
// program directory; a link that leads nowhere counts as leading out, since what it names is unknown.
// A part that does not exist ends the walk: nothing below it exists either.
bool resolvesWithin(const QString& programDir, const QString& folder) {
    const QString root = QFileInfo(programDir).canonicalFilePath();
    if (root.isEmpty())
        return false;
    QString path = programDir;
    for (const QString& part : folder.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + part;
        const QFileInfo info(path);
        if (!info.exists())
            return !info.isSymLink();
        if (!isWithin(root, info.canonicalFilePath()))
            return false;
    }
    return true;
}

} // namespace

bool staysInside(const QString& folder) {
    if (folder.isEmpty())
        return true;
    if (isAbsoluteAnywhere(folder) || climbsOut(folder))
        return false;
    return resolvesWithin(platform::current().programDirectory(), folder);
}

QString refusal(const QString& folder) {
    return u"题库的图片目录“%1”不在程序目录之内，没有在那里读写任何文件。"
           u"请在“题库信息”中把“目录：”改为程序目录里的一个文件夹名。"_s.arg(folder);
}

QString checked(m_sql& store) {
    const QString folder = store.GetMulu();
    if (!staysInside(folder))
        throw platform::Error(refusal(folder));
    return folder;
}

} // namespace bankfolder
