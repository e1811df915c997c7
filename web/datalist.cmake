# web/datalist.cmake -- writes SITE/DATA/files.txt: the show's files the page fetches, one name a line.
file(GLOB names RELATIVE ${SITE}/DATA ${SITE}/DATA/*)
list(REMOVE_ITEM names files.txt)
list(SORT names)
list(JOIN names "\n" text)
file(WRITE ${SITE}/DATA/files.txt "${text}\n")
