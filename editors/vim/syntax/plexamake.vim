" Vim syntax file
" Language:	Plexa makefile (.mak)
"
" One step-file name a line, the master file first; empty lines are skipped.
" Blanks belong to a name, and a name holds at most 79 characters: a longer
" line is read as several names.

if exists('b:current_syntax')
  finish
endif

syntax match plexaMakeName /^.\{1,79}/ contains=plexaMakeBlank
syntax match plexaMakeMaster /\%^\n*\zs.\{1,79}/ contains=plexaMakeBlank
syntax match plexaMakeTooLong /^.\{79}\zs.\+/
syntax match plexaMakeBlank /^\s\+\|\s\+$/ contained

highlight default link plexaMakeName String
highlight default link plexaMakeMaster Title
highlight default link plexaMakeTooLong Error
highlight default link plexaMakeBlank Error

let b:current_syntax = 'plexamake'
