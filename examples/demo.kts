# The control on a page: settings from PARAM elements, files appended by
# script, rows selected, a download run and its event.
param Language en
param FolderType type2
param ProgramTitle "Demo Shop"
pageurl http://files.example.test/shop/index.html
create 480 240
call AppendFile "docs/2010/report.pdf" "docs/2010/report.pdf" 100
call AppendFile "/static/x.pdf" "DOCS/x.pdf" 50
call AppendFile "big.iso" "" 5000000
call AppendFile "media/" "media/" 0
get GetCount
get GetFileName 0
get GetFileName 9
get GetFileURL 1
get GetFileSize 1
select 0 1
click 1
get GetSelectedItems
show
menu
dialogresult 1
call StartSelectDownload
select 1
call RemoveSelectedItems
show
