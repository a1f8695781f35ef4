main.pre
feeder.pre
press.pre
