" Vim syntax file
" Language:	Plexa makefile (.mak)
"
" One step-file name a line, the master file first; empty lines are skipped.
" Blanks belong to a name, and a name holds at most 79 characters: a longer
" line is read as several names.

if exists('b:current_syntax')
  finish
endif

" The first line that is not empty names the master file; the other names
" follow it to the end of the file.
syntax match plexaMakeMaster /^.\{1,79}/ contains=plexaMakeBlank nextgroup=plexaMakeRest skipnl skipempty
syntax region plexaMakeRest start=/\_./ end=/\%$/ contained contains=plexaMakeName,plexaMakeTooLong
syntax match plexaMakeName /^.\{1,79}/ contained contains=plexaMakeBlank
syntax match plexaMakeTooLong /\%80c.\+/
syntax match plexaMakeBlank /^\s\+\|\s\+$/ contained
syntax sync fromstart

highlight default link plexaMakeMaster Title
highlight default link plexaMakeName String
highlight default link plexaMakeTooLong Error
highlight default link plexaMakeBlank Error

let b:current_syntax = 'plexamake'
