# The demo page's script against the registered control in a real window.
param Language en
param FolderType TYPE2
param ProgramTitle "Demo Shop"
pageurl http://files.example.test/shop/index.html
create 480 240
call AppendFile "docs/2010/report.pdf" "docs/2010/report.pdf" 100
call AppendFile "/static/x.pdf" "DOCS/x.pdf" 50
call AppendFile "big.iso" "" 5000000
call AppendFile "media/" "media/" 0
get GetCount
get GetFileURL 1
select 0 1
get GetSelectedItems
show
menu
click 2
put FolderType type0
get FolderType
put ListStyle List
show
put ShowStatus false
show
childend 1
