@SCRATCH@/a/main.pre
@SCRATCH@/a/more.pre
