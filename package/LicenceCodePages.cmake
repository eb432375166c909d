# Licence texts are written in UTF-8 and shipped in the ANSI code page of
# their language; the wizard decodes each with the same page, whatever the
# system's own ANSI code page is.
set(KIV_LICENCE_CODEPAGES
    DA CP1252 DE CP1252 EN CP1252 ES CP1252 FR CP1252 IT CP1252 NL CP1252
    NO CP1252 SV CP1252 JA CP932 RO CP1250 RU CP1251 CACHE INTERNAL "")

# The table as two lists in step, for foreach(lang cp IN ZIP_LISTS ...).
function(kiv_licence_codepage_lists languages codepages)
  set(langs "")
  set(cps "")
  list(LENGTH KIV_LICENCE_CODEPAGES n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET KIV_LICENCE_CODEPAGES ${i} lang)
    list(GET KIV_LICENCE_CODEPAGES ${j} cp)
    list(APPEND langs ${lang})
    list(APPEND cps ${cp})
  endforeach()
  set(${languages} ${langs} PARENT_SCOPE)
  set(${codepages} ${cps} PARENT_SCOPE)
endfunction()
