-- The link store: one row per feed site, one row per article address.
-- The program only reads, inserts, updates and deletes rows; the build makes
-- this file's tables when database.db is missing.

-- Every action opens its own connection, so nothing stays cached between two
-- fills of the list and each count reads a whole index from the file: large
-- pages make that read several times faster (a count over 10^6 addresses in a
-- few milliseconds instead of some tens). It takes effect on the new file only.
PRAGMA page_size=65536;
CREATE TABLE IF NOT EXISTS mrv_orvik_rss (
  rssid INTEGER PRIMARY KEY AUTOINCREMENT,
  rssurl TEXT,
  sitename TEXT,
  lastgettime TEXT,
  siteurl TEXT
);

CREATE TABLE IF NOT EXISTS mrv_orvik_rssurl (
  dataid INTEGER PRIMARY KEY AUTOINCREMENT,
  title TEXT,
  url TEXT,
  rssid INTEGER,
  isinbaidu INTEGER,
  checktime TEXT,
  firsttime TEXT,
  lasttime TEXT
);

-- The feed import looks every item address up before inserting it.
CREATE INDEX IF NOT EXISTS idx_rssurl_url ON mrv_orvik_rssurl(url);
-- One site's page and count: rows of a site, newest first.
CREATE INDEX IF NOT EXISTS idx_rssurl_rssid_dataid ON mrv_orvik_rssurl(rssid, dataid);
-- The feed import finds a site by its feed address.
CREATE INDEX IF NOT EXISTS idx_rss_rssurl ON mrv_orvik_rss(rssurl);
