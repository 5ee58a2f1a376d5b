#pragma once

#include <QString>
#include <memory>

class QSqlQuery;

// The store of one question bank (a `<name>.stk` SQLite file): one connection, one query, and the
// current question that reading a row fills and storing a question takes its values from. It is the
// only code that talks to a bank database.
//
// Every operation but `Open` and `Close` raises `platform::Error` when the store is not open, when an
// ID text is not a decimal integer, and when the engine reports an error; nothing is caught here
// except while opening.
class m_sql {
public:
    m_sql();
    ~m_sql();
    m_sql(const m_sql&) = delete;
    m_sql& operator=(const m_sql&) = delete;

    // The current question, in the column order of `tiku`.
    qint32 ID = 0;
    qint32 daanleixing = 0;
    QString ti_neirong;
    quint32 ti_daan = 0;
    QString img;
    QString jiexi;
    qint32 dui = 0;
    qint32 cuo = 0;
    qint32 gong = 0;

    // Errors raised while opening, over the whole life of the store; never reset.
    int errCount = 0;

    // Opens the bank file `path` (relative to the working directory). On an error it tells the user,
    // opens the fallback bank on this store instead and returns true; after the third error the
    // process ends. False only for an empty path.
    bool Open(const QString& path);
    void Close();
    bool isOpen() const;
    // The bank file actually open: `Open`'s path, or the fallback bank's after a fallback.
    QString openPath() const;

    void RunSelect(const QString& statement);
    void ReadRow();
    void SelectAll();
    void SelectById(const QString& id);
    void Next();
    bool Eof() const;

    void SetTextField(const QString& column, const QString& value);
    void SetIntField(const QString& column, qint64 value);
    QString InsertCurrent();
    void UpdateCurrent(const QString& id);
    QString AddQuestion(qint32 daanleixing, const QString& ti_neirong, quint32 ti_daan, const QString& img,
                        const QString& jiexi);
    void SaveQuestion(const QString& id, qint32 daanleixing, const QString& ti_neirong, quint32 ti_daan,
                      const QString& img, const QString& jiexi);
    void DeleteById(const QString& id);

    QString GetJiegou(const QString& name);
    void SetJiegou(const QString& name, const QString& value);
    QString GetMulu();
    void SetMulu(const QString& value);
    bool GetIsJiaMi();
    void SetIsJiaMi(bool value);
    QString GetCharMima();
    void SetCharMima(const QString& value);
    QString GetTikuZuoZhe();
    void SetTikuZuoZhe(const QString& value);
    QString GetTikuRUL();
    void SetTikuRUL(const QString& value);
    QString GetTikuLOGO();
    void SetTikuLOGO(const QString& value);

private:
    // The five settings that storing a question starts with, in the order they are made.
    void SetQuestionFields(qint32 daanleixing, const QString& ti_neirong, quint32 ti_daan, const QString& img,
                           const QString& jiexi);

    struct Cursor;
    std::unique_ptr<Cursor> cursor_;
    QString connectionName_;
    QString openPath_;
};
