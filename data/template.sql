-- The template every new bank is copied from: every settings key, no questions.
-- Its folder setting is overwritten with the new bank's name.
INSERT INTO jiegou (str_name, str_value) VALUES
  ('mulu', 'tavrindata'),
  ('isJiaMi', '0'),
  ('CharMima', ''),
  ('tikuZuoZhe', ''),
  ('tikuRUL', ''),
  ('tikuLOGO', 'torvesk.jpg'),
  ('tikuBanBen', '1');
