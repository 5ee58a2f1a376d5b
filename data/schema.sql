-- The two tables of a bank. Texts may be empty; a NULL is read as the empty text or 0.
-- AUTOINCREMENT: a new question's ID is larger than every ID the table has ever held.
CREATE TABLE tiku (
  ID          INTEGER PRIMARY KEY AUTOINCREMENT,
  ti_neirong  TEXT    DEFAULT '',
  daanleixing INTEGER DEFAULT 0,
  ti_daan     INTEGER DEFAULT 0,
  img         TEXT    DEFAULT '',
  jiexi       TEXT    DEFAULT '',
  dui         INTEGER DEFAULT 0,
  cuo         INTEGER DEFAULT 0,
  gong        INTEGER DEFAULT 0
);

-- The bank's settings, one row per key; rows are only ever updated in place.
CREATE TABLE jiegou (
  str_name  TEXT,
  str_value TEXT
);
