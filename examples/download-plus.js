// A page's script as Wine's script host runs it: the registered control
// takes three files of the loopback server (its address is the first
// argument), one with a Korean name, one in a sub-folder, one of a few MiB,
// and hands them to the transfer agent.
// Usage: cscript //nologo download-plus.js http://127.0.0.1:PORT
var base = WScript.Arguments(0);
var c = new ActiveXObject("VardKT5.KT5Ctrl");
c.Language = "ko";
c.ProgramTitle = "Demo Shop";
c.AppendFile(base + "/data/2048", "\uBCF4\uACE0\uC11C.pdf", 2048);
c.AppendFile(base + "/data/300000", "images/\uC0AC\uC9C4 01.jpg", 300000);
c.AppendFile(base + "/data/4194304", "big.iso", 4194304);
WScript.Echo("page: " + c.GetCount + " rows in the control's list");
c.StartPlusDownload();
WScript.Echo("page: the list went to the agent");
