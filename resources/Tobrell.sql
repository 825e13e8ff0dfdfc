-- A new, empty expense book. Applied only where no Tobrell.sqlite3 exists yet.
CREATE TABLE tablemoneydb (
    type TEXT,
    name TEXT,
    price TEXT,
    date TEXT,
    memo TEXT,
    MyID INTEGER PRIMARY KEY
);
CREATE TABLE tablesetting (
    settingname TEXT,
    settingvalue TEXT
);
INSERT INTO tablesetting (settingname, settingvalue)
VALUES ('大类名称', '餐饮,日用品,交通,住房,水电燃气,通讯,服饰,医疗,教育,娱乐,人情往来,其他');
