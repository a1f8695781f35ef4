" Vim syntax file
" Language:	Plexa step file (.pre, .vep)
"
" A step file is read in sections: an optional data table at the head, then
" for each step its header [n], a label (the first word after the header),
" comment lines, the first separator (the first '-' and the rest of its
" line), the output changes, the second separator, and one instruction a
" line up to the next line whose first character is '['. The sections after
" a header follow each other as a chain of groups, so each is coloured only
" where the reader takes it.

if exists('b:current_syntax')
  finish
endif
let s:cpo_save = &cpo
set cpo&vim

syntax case ignore
" '#' is a word character: "servo#2" and "in#4a" are single words, so the
" option word "servo" is never found inside one.
syntax iskeyword @,48-57,_,192-255,#

" Text outside a step: the reader counts it as undesirable characters.
syntax match plexaUndesirable /[^[:space:]}]\+/

" The data table at the head of a master step file.
syntax match plexaTableHead /\%^\_s*\zs[dD][^[[:space:]]*\s*\[[^]]*\]\s*\[[^]]*\]\s*=\=/
      \ contains=plexaNumber nextgroup=plexaTable skipwhite skipnl skipempty
syntax region plexaTable start=/{/ end=/}/ contained contains=plexaNumber

" The header; a blank or a letter inside the brackets is undesirable, and
" [0] is no step number.
syntax match plexaHeader /^\s*\[\d*[^]]*\]/ contains=plexaHeaderFault
      \ nextgroup=plexaLabel,plexaComment,plexaFirstSeparator,plexaIgnored skipwhite skipnl skipempty
syntax match plexaHeaderFault /\%(\[\d*\)\@<=[^]0-9][^]]*/ contained
syntax match plexaHeaderFault /\[\zs0*\ze\]/ contained
" Text between the label and the first separator that is not a comment: the
" reader drops it without a word. Defined before the label, which wins where
" both match.
syntax match plexaIgnored /\%(\%(^\s*\)\@<=\[\)\@![^;[:space:]-]\+/ contained
      \ nextgroup=plexaComment,plexaFirstSeparator,plexaIgnored skipwhite skipnl skipempty
syntax match plexaLabel /[^;[:space:][-][!-~]*/ contained
      \ nextgroup=plexaComment,plexaFirstSeparator,plexaIgnored skipwhite skipnl skipempty
syntax match plexaComment /;.*$/ contained contains=@Spell
      \ nextgroup=plexaComment,plexaFirstSeparator,plexaIgnored skipwhite skipnl skipempty
syntax match plexaFirstSeparator /-.*$/ contained nextgroup=plexaOutOn,plexaOutOff,plexaOutJunk,plexaOutForm,plexaOutEnd skipwhite skipnl skipempty

" The output changes: 5+ or 5 turns output 5 on, 5- off; either angle-bracket
" form ends them, and what follows it up to the separator is dropped.
syntax match plexaOutOn /\d\++\=/ contained nextgroup=plexaOutOn,plexaOutOff,plexaOutJunk,plexaOutForm,plexaOutEnd skipwhite skipnl skipempty
syntax match plexaOutOff /\d\+-/ contained nextgroup=plexaOutOn,plexaOutOff,plexaOutJunk,plexaOutForm,plexaOutEnd skipwhite skipnl skipempty
syntax match plexaOutJunk /[^0-9<[:space:]-]\+/ contained nextgroup=plexaOutOn,plexaOutOff,plexaOutJunk,plexaOutForm,plexaOutEnd skipwhite skipnl skipempty
syntax match plexaOutForm /<[^>]*>\=/ contained nextgroup=plexaOutEnd,plexaDropped skipwhite skipnl skipempty
syntax match plexaDropped /\_[^-]\+/ contained nextgroup=plexaOutEnd
syntax match plexaOutEnd /-.*$/ contained nextgroup=plexaInstructions skipwhite skipnl skipempty

" The instructions, up to the next step.
syntax region plexaInstructions start=/\%([^[]\)\@=/ end=/^\ze\s*\[/ contained
      \ contains=plexaFirstWord,plexaGoto,plexaLabelRef,plexaNext,plexaStepRef,plexaDoList,plexaResource,
      \plexaOption,plexaUnit,plexaOperatorWord,plexaParameter,plexaNumber,plexaOperator

" Resources and their qualifiers.
syntax match plexaResource /\<\%(reg\|ctr\|col\|ain\|aout\|twhl\|disp\)#\s*[-+]\=\d\+/ contained
syntax match plexaResource /\<in#\s*[-+]\=\d\+[ab]\=/ contained
syntax match plexaResource /\<\%(flag\|motor\|servo\)#\s*[-+]\=\d\+\%(:\a*\)\=/ contained contains=plexaQualifier
syntax match plexaResource /\<proto#\s*[-+]\=\d\+\%(:\%(bit\|byte\|word\)#\s*[-+]\=\d\+\)\=\%(:bcd\)\=/ contained
syntax match plexaQualifier /:\a*/ contained

" The fixed words of the operands.
syntax match plexaOperatorWord /\<\%(n\=and\|n\=x\=or\|ro[lr]\)\>/ contained
syntax match plexaUnit /\<\%(hr\|min\|sec\|ms\|hhmm\|mmss\|ssff\)\>/ contained
syntax match plexaOption /\<\%(to\|cw\|ccw\|up\|down\|on\|start\|reset\|other\|tasks\|times\|half\|coils\)\>/ contained
syntax match plexaOption /\<\%(hard\|soft\|deadband\|of\|at\|position\|off\|servo\|motor\|zero\)\>/ contained
syntax match plexaParameter /\<\%(basespeed\|maxspeed\|accel\|decel\|gain\|zero\|pole\)\ze\s*=/ contained
syntax match plexaNumber /\%([[:alnum:]_#]\)\@<!\d\+/ contained
syntax match plexaOperator /<=\|>=\|<<\|>>\|[<>=+*/%&|~^-]/ contained

" Where items match at the same place the one defined last wins: the
" destinations and the instruction keyword come after the operand words.
" Destinations: a label, "next" or [n] after goto, labels and [n] in a do list.
syntax match plexaLabelRef /\%(\<goto\s*\)\@<=[A-Za-z0-9_.:\\/]\+/ contained
syntax match plexaNext /\%(\<goto\s*\)\@<=next\%([A-Za-z0-9_.:\\/]\)\@!/ contained
syntax match plexaStepRef /\[\s*[-+]\=\d\+\]\=/ contained
syntax match plexaDoList /\%(^\s*do\s*\)\@<=([^)]*)\=/ contained contains=plexaStepRef,plexaDoLabel
syntax match plexaDoLabel /[A-Za-z0-9_.:\\/]\+/ contained

" An instruction starts with its keyword, the run of letters at its start;
" a line that starts otherwise (";;;" among them) is no instruction.
syntax match plexaFirstWord /^\s*\zs\%(\a\+\|[^[:space:][:alpha:]]\S*\)/ contained
      \ contains=plexaFlow,plexaInstruction,plexaGoto
syntax keyword plexaFlow contained cancel delay do done if monitor stop testandset
syntax keyword plexaInstruction contained clear count disable enable profile reset rotate search set shift start
syntax keyword plexaInstruction contained store turn zero
syntax keyword plexaGoto contained goto

" The sections after a header are a chain that only the header starts.
syntax sync fromstart

highlight default link plexaTableHead Structure
highlight default link plexaUndesirable Error
highlight default link plexaHeader Title
highlight default link plexaHeaderFault Error
highlight default link plexaLabel Function
highlight default link plexaComment Comment
highlight default link plexaIgnored Error
highlight default link plexaFirstSeparator Delimiter
highlight default link plexaOutEnd Delimiter
highlight default link plexaOutOn Number
highlight default link plexaOutOff Number
highlight default link plexaOutForm Constant
highlight default link plexaFirstWord Error
highlight default link plexaFlow Statement
highlight default link plexaInstruction Keyword
highlight default link plexaGoto Statement
highlight default link plexaLabelRef Function
highlight default link plexaDoLabel Function
highlight default link plexaNext Constant
highlight default link plexaStepRef Number
highlight default link plexaResource Identifier
highlight default link plexaQualifier Special
highlight default link plexaOperatorWord Operator
highlight default link plexaUnit Type
highlight default link plexaOption Type
highlight default link plexaParameter Type
highlight default link plexaNumber Number
highlight default link plexaOperator Operator

let b:current_syntax = 'plexa'

let &cpo = s:cpo_save
unlet s:cpo_save
