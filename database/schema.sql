-- An empty Portico catalogue. Texts compare and sort without regard to case;
-- pictures hold the bytes of a picture file; dates are ISO-8601 (YYYY-MM-DD).
-- Program, theme and folder names are unique under PORTICO_NAME, the data
-- layer's collation: blanks around a name and letter case in any script do not
-- count. A connection must know that collation to write those names.

CREATE TABLE Program (
    Program_Key          INTEGER PRIMARY KEY AUTOINCREMENT,
    Program_Name         TEXT COLLATE NOCASE,
    Program_Desc         TEXT COLLATE NOCASE,
    Program_Path         TEXT COLLATE NOCASE,
    Program_StartInDir   TEXT COLLATE NOCASE,
    Program_StartUpParms TEXT COLLATE NOCASE,
    Program_Added_Date   DATE,
    Program_Icon         BLOB,
    Program_ResType      TEXT COLLATE NOCASE,
    -- 1: the program is started in a terminal. Older catalogues get the column
    -- when opened for writing; a client that does not know it leaves it null.
    Program_Terminal     INTEGER
);
CREATE INDEX Program_Name_Index ON Program (Program_Name);
CREATE UNIQUE INDEX Program_Name_Unique ON Program (Program_Name COLLATE PORTICO_NAME);
-- The administration list (key, name, path in name order) is read from this
-- index alone: the picture of each row fills a page of its own, so reading the rows
-- themselves would read the whole catalogue.
CREATE INDEX Program_List_Index ON Program (Program_Name, Program_Key, Program_Path);

-- Object_Type: 1 = user, 2 = group.
CREATE TABLE Permission (
    Program_Key       INTEGER,
    Object_Key        INTEGER,
    Object_Type       INTEGER,
    Permission_Status INTEGER
);
CREATE INDEX Permission_Program_Index ON Permission (Program_Key);
CREATE INDEX Permission_Object_Index ON Permission (Object_Key, Object_Type);

CREATE TABLE [User] (
    User_Key  INTEGER PRIMARY KEY AUTOINCREMENT,
    User_Name TEXT COLLATE NOCASE,
    User_SID  TEXT COLLATE NOCASE
);
CREATE INDEX User_Name_Index ON [User] (User_Name);
CREATE INDEX User_SID_Index ON [User] (User_SID);

CREATE TABLE [Group] (
    Group_Key  INTEGER PRIMARY KEY AUTOINCREMENT,
    Group_Name TEXT COLLATE NOCASE
);
CREATE INDEX Group_Name_Index ON [Group] (Group_Name);

CREATE TABLE Folder (
    Folder_Name TEXT COLLATE NOCASE,
    Folder_Path TEXT COLLATE NOCASE
);
CREATE INDEX Folder_Name_Index ON Folder (Folder_Name);
CREATE UNIQUE INDEX Folder_Name_Unique ON Folder (Folder_Name COLLATE PORTICO_NAME);

CREATE TABLE Theme (
    Theme_Key           INTEGER PRIMARY KEY AUTOINCREMENT,
    Theme_Name          TEXT COLLATE NOCASE,
    Theme_LogoSplash    BLOB,
    Theme_LogoAddRemove BLOB,
    Theme_LogoSetup     BLOB
);
CREATE INDEX Theme_Name_Index ON Theme (Theme_Name);
CREATE UNIQUE INDEX Theme_Name_Unique ON Theme (Theme_Name COLLATE PORTICO_NAME);

-- One row: the key of the default theme (none yet).
CREATE TABLE Settings (
    Theme_Key INTEGER
);
INSERT INTO Settings (Theme_Key) VALUES (NULL);
