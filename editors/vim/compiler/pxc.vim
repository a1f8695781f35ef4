" pxc, the Plexa compiler and linker: ":make" builds and the quickfix list
" gets each message at its file, line and column.
if exists('current_compiler')
  finish
endif
let current_compiler = 'pxc'

if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

" pxc writes "FILE:LINE:COLUMN: error: MESSAGE" (warning:, note:, fatal
" error:), "FILE: error: MESSAGE" for a whole file, then the source line and
" a caret, and a summary line for each build.
CompilerSet errorformat=%-Gpxc:\ %.%#,
      \%f:%l:%c:\ fatal\ %trror:\ %m,
      \%f:%l:%c:\ %trror:\ %m,
      \%f:%l:%c:\ %tarning:\ %m,
      \%f:%l:%c:\ %tote:\ %m,
      \%f:\ fatal\ %trror:\ %m,
      \%f:\ %trror:\ %m,
      \%f:\ %tarning:\ %m,
      \%-G%.%#
CompilerSet makeprg=pxc\ --color=never\ %:S
