" Runs the probes of the expected file $PX_PROBES in a Vim that has the Plexa
" files on its runtime path, and writes to $PX_ACTUAL what Vim gives for each:
"   syntax FILE:LINE:COLUMN TEXT GROUP LINK   the syntax group at a position
"   filetype FILE TYPE                        the file type detected
"   option FILE NAME VALUE                    a buffer's option as set
"   make FILE                                 ":make" from that buffer, then
"   quickfix NAME:LINE:COLUMN TYPE TEXT       each entry it gave
" Files are named from the repository, or from the scratch folder as WORK/.

function! s:Path(name) abort
  return a:name =~# '^WORK/' ? $PX_WORK . a:name[4:] : $PX_ROOT . '/' . a:name
endfunction

function! s:Named(text) abort
  return substitute(a:text, '\V' . escape($PX_WORK, '\'), 'WORK', 'g')
endfunction

" A file already open is not read again: Vim would keep the syntax state it
" had found in it.
function! s:Open(name) abort
  if expand('%:p') !=# s:Path(a:name)
    execute 'silent edit ' . fnameescape(s:Path(a:name))
  endif
endfunction

function! s:Syntax(place) abort
  let [l:name, l:line, l:column] = split(a:place, ':')
  call s:Open(l:name)
  let l:text = matchstr(getline(l:line), '^\S*', l:column - 1)
  if strchars(l:text) > 32
    let l:text = strcharpart(l:text, 0, 29) . '...'
  endif
  let l:id = synID(l:line, l:column, 1)
  let l:group = synIDattr(l:id, 'name')
  let l:link = synIDattr(synIDtrans(l:id), 'name')
  return printf('syntax %-36s %-24s %-20s %s', a:place, l:text, l:group ==# '' ? '-' : l:group, l:link ==# '' ? '-' : l:link)
endfunction

function! s:Make(name) abort
  call s:Open(a:name)
  execute 'cd ' . fnameescape($PX_WORK)
  silent make!
  let l:lines = ['make ' . a:name]
  for l:entry in filter(getqflist(), 'v:val.valid')
    call add(l:lines, printf('quickfix %s:%d:%d %s %s', bufname(l:entry.bufnr), l:entry.lnum, l:entry.col, l:entry.type, l:entry.text))
  endfor
  cd -
  return l:lines
endfunction

function! s:Run() abort
  let l:out = []
  for l:probe in readfile($PX_PROBES)
    let l:word = split(l:probe)
    if empty(l:word) || l:word[0] ==# 'quickfix'
      continue
    elseif l:word[0] ==# 'syntax'
      call add(l:out, s:Syntax(l:word[1]))
    elseif l:word[0] ==# 'filetype'
      call s:Open(l:word[1])
      call add(l:out, printf('filetype %s %s', l:word[1], &filetype))
    elseif l:word[0] ==# 'option'
      call s:Open(l:word[1])
      call add(l:out, s:Named(printf('option %s %s %s', l:word[1], l:word[2], eval('&l:' . l:word[2]))))
    elseif l:word[0] ==# 'make'
      call extend(l:out, s:Make(l:word[1]))
    else
      call add(l:out, 'unknown probe: ' . l:probe)
    endif
  endfor
  call writefile(l:out, $PX_ACTUAL)
endfunction

try
  call s:Run()
catch
  call writefile(['check.vim failed: ' . v:exception . ' at ' . v:throwpoint], $PX_ACTUAL)
endtry
