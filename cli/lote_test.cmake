# The test of `orvalis lote`, run as cmake -DORVALIS=<command> -DDEMO=<a file with one
# declaration of 11/2026> -DJET=<a file of the old engine> -DFOLDER=<scratch folder> -P
# lote_test.cmake: five copies of the demonstration file, a damaged copy and a file of the
# old engine in one folder, a missing file named beside it. Every good file gives its row,
# the two bad ones and the missing one their errors, the exit status is 1, and no file
# changes; over the good files alone the status is 0; the JSON output reads back.

# check(<message> <condition>...): fails the test with the message unless the condition
# (the words of an if()) holds.
function(check message)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${message}")
  endif()
endfunction()

function(run_lote result_var output_var)
  execute_process(COMMAND ${ORVALIS} lote ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  message(STATUS "orvalis lote ${ARGN}: status ${result}; ${errors}")
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER}/good)
foreach(i 1 2 3 4 5)
  file(COPY_FILE ${DEMO} ${FOLDER}/good/taxpayer${i}.mdb)
endforeach()
file(COPY_FILE ${DEMO} ${FOLDER}/damaged.mdb)
execute_process(COMMAND truncate -s 20000 ${FOLDER}/damaged.mdb COMMAND_ERROR_IS_FATAL ANY)
file(COPY_FILE ${JET} ${FOLDER}/old-engine.mdb)
file(WRITE ${FOLDER}/notes.txt "not a declaration file: a folder gives only its *.mdb files")

set(files good/taxpayer1.mdb damaged.mdb old-engine.mdb)
foreach(name IN LISTS files)
  file(SHA256 ${FOLDER}/${name} before_${name})
endforeach()

# Everything at once, on three threads, as CSV.
run_lote(result csv 11/2026 ${FOLDER}/good ${FOLDER} ${FOLDER}/missing.mdb --csv --threads 3)
check("a failed file must make the status 1, got ${result}" result EQUAL 1)
string(REGEX MATCHALL
  "taxpayer[1-5][.]mdb,110042490114,1,\"18[.]000,00\",[^\n]*\"5[.]500,00\"[^\n]*,\"0,00 \",\"5[.]300,00\",\"225,00\",2,1,,\n"
  good_rows "${csv}")
list(LENGTH good_rows good_count)
check("five good rows expected, found ${good_count}:\n${csv}" good_count EQUAL 5)
check("the damaged file's row must carry 3049:\n${csv}" csv MATCHES "damaged[.]mdb,,,(,)+3049,")
check("the old engine's file must carry 3343:\n${csv}" csv MATCHES "old-engine[.]mdb,,,(,)+3343,")
check("the missing file must carry 3024:\n${csv}" csv MATCHES "missing[.]mdb,,,(,)+3024,")
check("only *.mdb files of a folder are read" NOT csv MATCHES "notes[.]txt")
foreach(name IN LISTS files)
  file(SHA256 ${FOLDER}/${name} after)
  check("${name} was changed" before_${name} STREQUAL after)
endforeach()

# The good files alone: status 0; the JSON array reads back with every field.
run_lote(result json 11/2026 ${FOLDER}/good --json)
check("no failure: the status must be 0, got ${result}" result EQUAL 0)
string(JSON rows LENGTH "${json}")
check("five JSON rows expected, got ${rows}" rows EQUAL 5)
string(JSON field GET "${json}" 4 campos Campo063ICMS)
check("Campo063ICMS read back as '${field}'" field STREQUAL "5.500,00")
string(JSON count GET "${json}" 0 campos PagamentosICMSContar)
check("PagamentosICMSContar read back as '${count}'" count EQUAL 2)
string(JSON error TYPE "${json}" 0 erro)
check("a good row has no error" error STREQUAL NULL)

# Another month: no declaration, no row, status 0.
run_lote(result none 10/2026 ${FOLDER}/good)
check("a month without declarations is no failure, got ${result}" result EQUAL 0)
check("no row expected for 10/2026:\n${none}" NOT none MATCHES "taxpayer")
