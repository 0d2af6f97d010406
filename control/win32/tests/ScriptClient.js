// A page's script as Wine's script host runs it: the registered control by
// its ProgID, properties, files appended and read back.
var failures = 0;
function check(what, got, want) {
  if (got !== want) {
    WScript.Echo("FAIL " + what + ": got [" + got + "], want [" + want + "]");
    failures++;
  }
}

var c = new ActiveXObject("VardKT5.KT5Ctrl");
check("version-dependent ProgID", typeof new ActiveXObject("VardKT5.KT5Ctrl.1"), "object");
check("initial language", c.Language, "ko");
check("initial title", c.ProgramTitle, "VardKT");
c.Language = "en-GB";
check("language cut to two", c.Language, "en");
c.FolderType = "TYPE2";
check("folder type", c.FolderType, "type2");
c.UseUnicode = true;
check("boolean from script true", c.UseUnicode, true);
c.UseResume = 0;
check("boolean from script 0", c.UseResume, false);
c.LimitRate = 256;
check("limit rate", c.LimitRate, 256);
c.ItemWidth2 = 120;
check("item width", c.ItemWidth2, 120);
c.SetFolder = "";
c.SetFolder = "C:\\Downloads";
check("empty folder ignored", c.SetFolder, "C:\\Downloads");

c.AppendFile("http://files.example.test/docs/2010/r.pdf", "docs/2010/r.pdf", 100);
c.AppendFile("http://files.example.test/x.pdf", "DOCS/x.pdf", 50);
c.AppendFile("http://files.example.test/media/big.iso", "big.iso", 5000000000);
c.AppendFile("http://files.example.test/a/b/c.txt", "", 7);
check("count of items", c.GetCount, 4);
check("group row reports its first file", c.GetFileName(0), "docs/2010/r.pdf");
check("file row", c.GetFileName(1), "big.iso");
check("size above 32 bits", c.GetFileSize(1), "5000000000");
check("name from the URL", c.GetFileName(2), "c.txt");
check("url", c.GetFileURL(2), "http://files.example.test/a/b/c.txt");
check("past the rows", c.GetFileName(3), "");
check("nothing selected", new VBArray(c.GetSelectedItems).toArray().length, 0);
c.UseBase64Encode = true;
check("base64 url", c.GetFileURL(1), "aHR0cDovL2ZpbGVzLmV4YW1wbGUudGVzdC9tZWRpYS9iaWcuaXNv");
c.UseBase64Encode = false;

var err = 0;
try { c.AppendFile(); } catch (e) { err = e.number >>> 0; }
check("too few arguments", err.toString(16), "8002000e");
err = 0;
try { c.LimitRate = "fast"; } catch (e) { err = e.number >>> 0; }
check("not a number", err.toString(16), "80020005");

c.RemoveAllFiles();
check("emptied", c.GetCount, 0);
check("ip count is a number", typeof c.GetIPCount(), "number");
check("saved downloads", typeof c.SavedFileCount, "number");
if (failures == 0) WScript.Echo("script client: all checks passed");
