-- The sample bank laid out beside the program: a small bank to try the program on.
INSERT INTO jiegou (str_name, str_value) VALUES
  ('mulu', '示例题库'),
  ('isJiaMi', '0'),
  ('CharMima', ''),
  ('tikuZuoZhe', 'Qelbrin 示例'),
  ('tikuRUL', 'https://example.org/qelbrin'),
  ('tikuLOGO', 'torvesk.jpg'),
  ('tikuBanBen', '1');

INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES
  ('中国的首都是哪座城市？' || char(10) || 'A. 上海  B. 北京  C. 广州  D. 南京', 1, 2, '', '北京是中华人民共和国的首都。'),
  ('水在标准大气压下的沸点是多少摄氏度？' || char(10) || 'A. 90  B. 95  C. 100  D. 105', 1, 3, '', ''),
  ('光在真空中的传播速度约为每秒多少公里？' || char(10) || 'A. 3 万  B. 30 万  C. 300 万  D. 3000 万', 1, 2, '', '约为 299 792 公里每秒。'),
  ('地球绕太阳公转一周大约需要一年。', 2, 6, '', ''),
  ('月球自身能够发光。', 2, 5, '', '月光是月球反射的太阳光。'),
  ('长城是世界上最长的人造建筑之一。', 2, 6, '', ''),
  ('下列哪些是哺乳动物？' || char(10) || 'A. 鲸  B. 鲨鱼  C. 蝙蝠  D. 企鹅  E. 海豚', 3, 2 + 8 + 32, '', '鲨鱼是鱼类，企鹅是鸟类。'),
  ('下列哪些是质数？' || char(10) || 'A. 2  B. 4  C. 7  D. 9  E. 11  F. 15', 3, 2 + 8 + 32, '', ''),
  ('下列元素符号与名称对应正确的是：' || char(10) || 'A. H 氢  B. O 氧  C. Fe 铜  D. Na 钠', 3, 2 + 4 + 16, '', '铁的元素符号是 Fe，铜是 Cu。');
