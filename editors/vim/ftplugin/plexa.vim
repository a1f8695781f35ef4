" Plexa step files: ";;;" comments, four-blank indents as the saver writes
" them, and ":make" building the program the file belongs to.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

setlocal comments=:;;; commentstring=;;;\ %s
setlocal expandtab shiftwidth=4 softtabstop=4
compiler pxc

" A .pre file is built through the makefile beside it that lists it, the
" first in name order when several do; any other step file alone.
function! s:Makefile() abort
  if expand('%:e') !~? '^pre$'
    return ''
  endif
  let l:name = expand('%:t')
  for l:makefile in sort(glob(expand('%:p:h') . '/*.[mM][aA][kK]', 1, 1))
    for l:line in readfile(l:makefile, '', 80)
      if substitute(l:line, '\r$\|^.*[\\/]', '', 'g') ==? l:name
        return l:makefile
      endif
    endfor
  endfor
  return ''
endfunction

let s:makefile = s:Makefile()
if s:makefile !=# ''
  " The makefile's name is given as written: no '%' or '#' is expanded.
  let &l:makeprg = 'pxc --color=never ' . escape(shellescape(s:makefile), '%#')
endif

let b:undo_ftplugin = 'setlocal comments< commentstring< expandtab< shiftwidth< softtabstop< errorformat< makeprg<'
