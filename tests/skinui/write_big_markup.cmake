# Writes two markup files around the markup size limit into FOLDER: limit.xml of exactly
# 4 MiB and over_limit.xml one byte larger.
set(limit 4194304)
set(head "<Window>")
set(tail "</Window>")
string(LENGTH "${head}${tail}" frame)
math(EXPR fill "${limit} - ${frame}")
string(REPEAT " " ${fill} spaces)
file(WRITE ${FOLDER}/limit.xml "${head}${spaces}${tail}")
file(WRITE ${FOLDER}/over_limit.xml "${head}${spaces} ${tail}")
