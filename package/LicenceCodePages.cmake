# Licence texts are written in UTF-8 and shipped in the ANSI code page of
# their language; the wizard decodes each with the same page, whatever the
# system's own ANSI code page is.
set(KIV_LICENCE_CODEPAGES
    DA CP1252 DE CP1252 EN CP1252 ES CP1252 FR CP1252 IT CP1252 NL CP1252
    NO CP1252 SV CP1252 JA CP932 RO CP1250 RU CP1251 CACHE INTERNAL "")
