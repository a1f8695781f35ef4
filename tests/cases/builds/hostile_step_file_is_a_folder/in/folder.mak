prog.vep
part.pre
