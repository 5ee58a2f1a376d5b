#include "bench/BankMaker.h"

#include "bench/QuestionTexts.h"
#include "bench/SqliteHandle.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string readWhole(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(std::string("cannot read ") + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

void makeBenchBank(const std::string& path, int count, const std::string& folder) {
    const std::string partial = path + ".part";
    std::filesystem::remove(partial);
    {
        SqliteDb db(partial);
        // Nothing to protect while the file is still being made: the journal and syncs only cost time.
        db.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
        db.exec(readWhole(QELBRIN_SCHEMA_SQL));
        db.exec("BEGIN");
        db.exec(readWhole(QELBRIN_TEMPLATE_SQL));
        {
            SqliteStatement mulu(db, "UPDATE jiegou SET str_value=?1 WHERE str_name='mulu'");
            mulu.bindText(1, folder);
            mulu.step();
        }
        SqliteStatement insert(db, "INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) "
                                   "VALUES (?1, ?2, ?3, ?4, ?5)");
        QuestionTexts texts(0x51E1B41Eu + static_cast<unsigned>(count));
        for (int i = 0; i < count; ++i) {
            const GeneratedQuestion q = texts.next();
            insert.bindText(1, q.ti_neirong);
            insert.bindInt(2, q.daanleixing);
            insert.bindInt(3, q.ti_daan);
            insert.bindText(4, q.img);
            insert.bindText(5, q.jiexi);
            insert.step();
            insert.reset();
        }
        db.exec("COMMIT");
    }
    std::filesystem::rename(partial, path);
}
