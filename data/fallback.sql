-- The fallback bank, opened when the chosen bank cannot be: a few questions of each answer type.
INSERT INTO jiegou (str_name, str_value) VALUES
  ('mulu', 'tavrindata'),
  ('isJiaMi', '0'),
  ('CharMima', ''),
  ('tikuZuoZhe', 'Qelbrin'),
  ('tikuRUL', ''),
  ('tikuLOGO', 'torvesk.jpg'),
  ('tikuBanBen', '1');

-- daanleixing 1: single choice, ti_daan 1..4 = A..D
-- daanleixing 2: true/false, ti_daan 6 = 对, 5 = 错
-- daanleixing 3: multiple choice, bits A = 2 ... H = 256
INSERT INTO tiku (ti_neirong, daanleixing, ti_daan, img, jiexi) VALUES
  ('机动车在道路上行驶，遇到前方红灯时应当怎样做？' || char(10) || 'A. 加速通过  B. 停车等待  C. 鸣笛提醒  D. 绕道行驶',
   1, 2, '', '红灯表示禁止通行，应在停止线以外停车等待。'),
  ('在高速公路上，小型载客汽车的最高车速不得超过每小时多少公里？' || char(10) || 'A. 100  B. 110  C. 120  D. 130',
   1, 3, '', '高速公路上小型载客汽车最高车速为每小时 120 公里。'),
  ('驾驶机动车时可以使用手持电话。', 2, 5, '', '驾驶时使用手持电话会分散注意力，属于违法行为。'),
  ('夜间会车时，应在距对向来车 150 米以外改用近光灯。', 2, 6, '', ''),
  ('以下哪些行为属于安全驾驶习惯？' || char(10) || 'A. 系好安全带  B. 酒后驾车  C. 保持安全车距  D. 疲劳时休息',
   3, 2 + 8 + 16, '', '饮酒后不得驾驶机动车。'),
  ('车辆出发前应检查哪些项目？' || char(10) || 'A. 轮胎气压  B. 灯光  C. 后视镜  D. 收音机频道',
   3, 2 + 4 + 8, '', '');
