# A page's list downloaded by the control itself: three files from the
# loopback server (@SERVER@ is its address), one with a Korean name, one in
# a sub-folder, one large, into the download folder (@FOLDER@).
param Language ko
param ProgramTitle "Demo Shop"
pageurl @SERVER@/shop/index.html
create 480 240
put SetFolder "@FOLDER@"
call AppendFile "/data/2048" "보고서.pdf" -
call AppendFile "/data/300000" "images/사진 01.jpg" -
call AppendFile "/data/33554432" "big.iso" -
show
call StartDownload
# The same list again: the files are there now, and the answer given ahead
# resumes them all (nothing is left to fetch).
answer duplicate resume all
call StartDownload
# The same list handed to the transfer agent: it is started (or told, when it
# runs) and holds the batch in its list.
call StartPlusDownload
