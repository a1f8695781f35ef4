" Plexa step files (.pre, .vep) and makefiles (.mak).
"
" ".mak" is also make's: a .mak file is a Plexa makefile when each of its
" first lines that is not empty names a step file (.pre or .vep), as the
" makefiles the desktop builder writes do; any other stays make's.

function! s:IsPlexaMakefile() abort
  let l:names = filter(map(getline(1, 20), 'substitute(v:val, "\r$", "", "")'), 'v:val !=# ""')
  return !empty(l:names) && empty(filter(l:names, 'v:val !~? ''\.\%(pre\|vep\)\s*$'''))
endfunction

autocmd BufNewFile,BufRead *.pre,*.PRE,*.vep,*.VEP setfiletype plexa
autocmd BufRead *.mak,*.MAK if s:IsPlexaMakefile() | set filetype=plexamake | endif
